#pragma once

// The HTML export's settings dialog and its two commands, without widgets.
// `CHtmlSetDlgModel` is what the dialog shows and stores; the GUI's dialog
// (resource 251) binds its three edit controls to the model's fields and
// calls OnOK or leaves on Cancel. The export command runs through
// CHtmlExportCommand, which asks the GUI for the dialog and for answers
// through CHtmlExportHost.

#include "User.h"

#include "OutlineMan.h"

#include <string>

namespace kx_gen {
class CAppRegistry;
}

namespace formats {

// Command ids and texts of the two commands and the dialog.
inline constexpr unsigned kCmdExportHtml = 32993;
inline constexpr const char kExportHtmlText[] = "Export to HTML\nExport to HTML";
inline constexpr unsigned kCmdHtmlSettings = 32994;
inline constexpr const char kHtmlSettingsText[] = "HTML export settings...";
inline constexpr unsigned kHtmlSetDlgId = 251;
inline constexpr const char kHtmlSetDlgCaption[] = "HTML export settings...";
inline constexpr unsigned kTemplateEditId = 1069;
inline constexpr unsigned kRulesEditId = 1072;
inline constexpr unsigned kExportFolderEditId = 1074;
inline constexpr const char kOpenCaption[] = "Open"; // string 61440
inline constexpr const char kHtmlTemplateFilter[] = "Html template"; // string 264
inline constexpr const char kRulesFilter[] = "Rules "; // string 265
inline constexpr const char kSelectStartFolder[] = "Select a Starting Directory"; // string 190

// Where the user's settings are kept: the user's section of the settings
// store. Tests put a map behind it.
class CHtmlSettingsStore {
public:
    virtual ~CHtmlSettingsStore() = default;
    virtual CUserHtmlSettings Load() = 0;
    virtual bool Store(const CUserHtmlSettings &settings) = 0;
};

// The store of one user in the program's settings store.
class CUserHtmlSettingsStore : public CHtmlSettingsStore {
public:
    CUserHtmlSettingsStore(const CUser &user, kx_gen::CAppRegistry &registry)
        : m_User(user)
        , m_Registry(registry)
    {
    }
    CUserHtmlSettings Load() override { return m_User.LoadHtmlSettings(m_Registry); }
    bool Store(const CUserHtmlSettings &settings) override
    {
        return m_User.StoreHtmlSettings(m_Registry, settings);
    }

private:
    const CUser &m_User;
    kx_gen::CAppRegistry &m_Registry;
};

// What a browse button's dialog shows.
struct SHtmlBrowseSetup {
    std::string m_strCaption;
    std::string m_strFilterText; // "Html template *.*"
    std::string m_strPattern; // "*.*"
    std::string m_strStartFolder;
    bool m_bFolder = false; // a folder chooser rather than an open dialog
};

class CHtmlSetDlgModel {
public:
    // `defaultFolder` is offered as the export folder while none is set.
    CHtmlSetDlgModel(
        const std::string &userName, CHtmlSettingsStore &store, const std::string &defaultFolder);

    // Loads the user's settings into the fields. Empty template and rules
    // fields are offered the shipped files, an empty folder the default
    // folder, so that a first export needs no typing.
    void OnInitDialog();
    // Stores the fields (trimmed) into the user's section. False when the
    // store refused.
    bool OnOK();

    SHtmlBrowseSetup TemplateBrowse() const;
    SHtmlBrowseSetup RulesBrowse() const;
    SHtmlBrowseSetup FolderBrowse() const;

    const std::string &UserName() const { return m_strUser; }

    std::string m_strTemplatePath;
    std::string m_strRulesPath;
    std::string m_strExportFolder;

private:
    std::string m_strUser;
    CHtmlSettingsStore &m_Store;
    std::string m_strDefaultFolder;
};

// What the export command needs from the GUI.
class CHtmlExportHost {
public:
    virtual ~CHtmlExportHost() = default;
    // Runs the settings dialog modally over the model: true for OK (the
    // dialog has called OnOK), false for Cancel.
    virtual bool RunSettingsDialog(CHtmlSetDlgModel &dialog) = 0;
    // Asks a yes/no question; true for Yes.
    virtual bool Ask(const std::string &question) = 0;
    // Shows a message (a success or a failure).
    virtual void Show(const std::string &text) = 0;
};

// The two commands for the current user.
class CHtmlExportCommand {
public:
    CHtmlExportCommand(const std::string &userName, CHtmlSettingsStore &store,
        CHtmlExportHost &host, const std::string &defaultFolder);

    // The settings command: shows the dialog. True when OK was pressed.
    bool EditSettings();
    // Loads the settings and, as long as they are not valid, shows the
    // dialog and loads them again. False when the user cancelled (nothing
    // is exported and nothing changed).
    bool EnsureValidSettings(CUserHtmlSettings &settings);
    // The export command: valid settings first, then the page
    // "<export folder>/<outline file title>.html" (the folder is created
    // when missing; an existing page is replaced only when the user says
    // so). Reports the page's path, or the failure, through the host and
    // returns whether a page was written. `documentPath` is the outline's
    // file; an outline never saved is named after its title.
    bool Export(const COutlineMan &man, const std::string &documentPath);

    // The page's path for an outline file in the folder (`title`, in
    // Windows-1252, names an outline never saved).
    static std::string PagePath(
        const std::string &folder, const std::string &documentPath, const std::string &title);

private:
    std::string m_strUser;
    CHtmlSettingsStore &m_Store;
    CHtmlExportHost &m_Host;
    std::string m_strDefaultFolder;
};

} // namespace formats
