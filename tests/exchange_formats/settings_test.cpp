// The HTML export command: the settings loop around the dialog, and the
// export step writing the page where the settings say.

#include "FormatsTestSupport.h"

#include "FormatExchange.h"
#include "HtmlSetDlg.h"

#include <functional>
#include <map>

using namespace formats;

namespace {

// The settings of several users, as the settings store keeps them.
class CMapStore : public CHtmlSettingsStore {
public:
    CMapStore(std::map<std::string, CUserHtmlSettings> &all, std::string user)
        : m_All(all)
        , m_strUser(std::move(user))
    {
    }
    CUserHtmlSettings Load() override
    {
        ++m_nLoads;
        return m_All[m_strUser];
    }
    bool Store(const CUserHtmlSettings &settings) override
    {
        m_All[m_strUser] = settings;
        return true;
    }
    int m_nLoads = 0;

private:
    std::map<std::string, CUserHtmlSettings> &m_All;
    std::string m_strUser;
};

class CRecordingHost : public CHtmlExportHost {
public:
    bool RunSettingsDialog(CHtmlSetDlgModel &dialog) override
    {
        ++m_nDialogs;
        if (!m_OnDialog)
            return false;
        if (!m_OnDialog(dialog))
            return false;
        return dialog.OnOK();
    }
    bool Ask(const std::string &question) override
    {
        m_Questions.push_back(question);
        return m_bAnswer;
    }
    void Show(const std::string &text) override { m_Messages.push_back(text); }

    // Edits the dialog's fields; false cancels it.
    std::function<bool(CHtmlSetDlgModel &)> m_OnDialog;
    int m_nDialogs = 0;
    bool m_bAnswer = false;
    std::vector<std::string> m_Questions;
    std::vector<std::string> m_Messages;
};

class CHtmlCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeSample(m_Man);
        m_strTemplate = m_Dir / "template.html";
        m_strRules = m_Dir / "page.rules";
        WriteText(m_strTemplate, "<!DOCTYPE html><title>{{title}}</title>{{outline}}");
        WriteText(m_strRules, "numbering = no\n");
    }

    CUserHtmlSettings Valid() const
    {
        CUserHtmlSettings s;
        s.m_strHtmlPath = m_strTemplate;
        s.m_strRulePath = m_strRules;
        s.m_strExportFolder = m_Dir / "pages";
        return s;
    }

    CRecordingSink m_Sink;
    COutlineMan m_Man { nullptr, &m_Sink };
    CScratch m_Dir;
    std::string m_strTemplate;
    std::string m_strRules;
    std::map<std::string, CUserHtmlSettings> m_Settings;
    CMapStore m_Store { m_Settings, "ANNA" };
    CRecordingHost m_Host;
    CHtmlExportCommand m_Command { "Anna", m_Store, m_Host, "/tmp" };
};

TEST_F(CHtmlCommand, ValidSettingsExportWithoutTheDialog)
{
    m_Settings["ANNA"] = Valid();
    ASSERT_TRUE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_EQ(m_Host.m_nDialogs, 0);
    const std::string page = m_Dir / "pages/Garden.html";
    EXPECT_TRUE(fs::exists(page));
    ASSERT_EQ(m_Host.m_Messages.size(), 1u);
    EXPECT_EQ(m_Host.m_Messages[0], "The outline was exported to " + page);
}

TEST_F(CHtmlCommand, AMissingTemplateShowsTheDialogFirst)
{
    CUserHtmlSettings stale = Valid();
    stale.m_strHtmlPath = m_Dir / "deleted.html";
    m_Settings["ANNA"] = stale;
    m_Host.m_OnDialog = [&](CHtmlSetDlgModel &dialog) {
        EXPECT_EQ(dialog.m_strTemplatePath, m_Dir / "deleted.html");
        EXPECT_TRUE(m_Host.m_Messages.empty()) << "nothing is exported before the dialog";
        dialog.m_strTemplatePath = "  " + m_strTemplate + " ";
        return true;
    };
    ASSERT_TRUE(m_Command.Export(m_Man, ""));
    EXPECT_EQ(m_Host.m_nDialogs, 1);
    EXPECT_EQ(m_Settings["ANNA"].m_strHtmlPath.str(), m_strTemplate);
    // Never saved: named after the title.
    EXPECT_TRUE(fs::exists(m_Dir / "pages/Garden \x80 plan.html")
        || fs::exists(m_Dir / "pages/Garden \xe2\x82\xac plan.html"));
}

TEST_F(CHtmlCommand, CancelExportsNothingAndChangesNothing)
{
    CUserHtmlSettings partial;
    partial.m_strExportFolder = m_Dir / "pages";
    m_Settings["ANNA"] = partial;
    m_Host.m_OnDialog = [](CHtmlSetDlgModel &dialog) {
        dialog.m_strTemplatePath = "/changed/but/cancelled";
        return false;
    };
    EXPECT_FALSE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_EQ(m_Host.m_nDialogs, 1);
    EXPECT_TRUE(m_Settings["ANNA"].m_strHtmlPath.IsEmpty());
    EXPECT_FALSE(fs::exists(m_Dir / "pages"));
    EXPECT_TRUE(m_Host.m_Messages.empty());
}

TEST_F(CHtmlCommand, TheDialogAsksUntilTheSettingsAreValid)
{
    int round = 0;
    m_Host.m_OnDialog = [&](CHtmlSetDlgModel &dialog) {
        if (++round == 1) {
            dialog.m_strTemplatePath = m_strTemplate;
            dialog.m_strRulesPath = m_strRules;
            dialog.m_strExportFolder = "";
        } else {
            dialog.m_strExportFolder = m_Dir / "pages";
        }
        return true;
    };
    ASSERT_TRUE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_EQ(m_Host.m_nDialogs, 2);
}

TEST_F(CHtmlCommand, AFirstExportIsOfferedTheShippedFiles)
{
    // The test programs lie where the program does: the shipped files are
    // in html/ beside them.
    CHtmlSetDlgModel dialog("Anna", m_Store, m_Dir / "pages");
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.m_strTemplatePath, DefaultTemplatePath());
    EXPECT_EQ(dialog.m_strRulesPath, DefaultRulesPath());
    EXPECT_EQ(dialog.m_strExportFolder, m_Dir / "pages");
    EXPECT_TRUE(fs::exists(DefaultTemplatePath()));

    m_Host.m_OnDialog = [](CHtmlSetDlgModel &) { return true; };
    CHtmlExportCommand command("Anna", m_Store, m_Host, m_Dir / "pages");
    ASSERT_TRUE(command.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_NE(
        ReadText(m_Dir / "pages/Garden.html").find("<ul class=\"outline\">"), std::string::npos);

    const SHtmlBrowseSetup browse = dialog.TemplateBrowse();
    EXPECT_EQ(browse.m_strCaption, "Open");
    EXPECT_EQ(browse.m_strFilterText, "Html template *.*");
    EXPECT_EQ(dialog.RulesBrowse().m_strFilterText, "Rules  *.*");
    EXPECT_EQ(browse.m_strStartFolder, ProgramFolder());
    EXPECT_TRUE(dialog.FolderBrowse().m_bFolder);
    EXPECT_EQ(dialog.FolderBrowse().m_strCaption, "Select a Starting Directory");
}

TEST_F(CHtmlCommand, AnExistingPageIsReplacedOnlyWhenTheUserSaysSo)
{
    m_Settings["ANNA"] = Valid();
    fs::create_directories(m_Dir / "pages");
    const std::string page = m_Dir / "pages/Garden.html";
    WriteText(page, "older page");
    m_Host.m_bAnswer = false;
    EXPECT_FALSE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    ASSERT_EQ(m_Host.m_Questions.size(), 1u);
    EXPECT_NE(m_Host.m_Questions[0].find("already exists"), std::string::npos);
    EXPECT_EQ(ReadText(page), "older page");

    m_Host.m_bAnswer = true;
    EXPECT_TRUE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_NE(ReadText(page), "older page");
}

TEST_F(CHtmlCommand, AFailedExportIsReportedAsAFailure)
{
    CUserHtmlSettings settings = Valid();
    WriteText(m_strTemplate, "no placeholder");
    m_Settings["ANNA"] = settings;
    EXPECT_FALSE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    ASSERT_EQ(m_Host.m_Messages.size(), 1u);
    EXPECT_EQ(m_Host.m_Messages[0].rfind("The outline could not be exported to HTML.", 0), 0u);
    EXPECT_FALSE(fs::exists(m_Dir / "pages/Garden.html"));
}

TEST_F(CHtmlCommand, EachUserHasSettingsOfTheirOwn)
{
    m_Settings["ANNA"] = Valid();
    CMapStore bert(m_Settings, "BERT");
    CHtmlExportCommand bertsCommand("Bert", bert, m_Host, "/tmp");
    EXPECT_FALSE(bertsCommand.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_EQ(m_Host.m_nDialogs, 1);
    EXPECT_TRUE(m_Command.Export(m_Man, "/outlines/Garden.kxo"));
    EXPECT_EQ(m_Host.m_nDialogs, 1);
}

} // namespace
