// The users box, the Users and user name dialogs, and switching users.

#include "UserDialogs.h"
#include "UserSwitch.h"
#include "UsersCombo.h"

#include "Commands.h"
#include "FrameTestSupport.h"
#include "MainFrame.h"
#include "MainToolBars.h"
#include "OutlineDoc.h"
#include "PalmLibrary.h"
#include "StatusIndicators.h"

#include "../support/PalmDesktopTestSupport.h"

#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <deque>

class tst_Users : public QObject {
    Q_OBJECT

private slots:
    void profileUsersAreNotListed();
    void selectionFindsByNameThenById();
    void aBlankNameIsRefused();
    void usersDialogAddsRenamesAndDeletes();
    void deletingTheSelectedUserSwitchesToTheFirst();
    void cancellingASaveQuestionStopsTheSwitch();
    void mainWindowUsersBoxSwitchesAndFollows();
    void stoppingTwiceKeepsTheActiveUser();
};

namespace {

QPushButton *Button(QWidget &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
}

// A run in Palm mode with the users Ann and Bob.
struct CPalmRun {
    CPalmRun()
    {
        ::setenv("XDG_CONFIG_HOME", (Root() + "/config").c_str(), 1);
        kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
        const vellacortest::SCommandResult setup = vellacortest::RunPalmDesktop(
            { "setup", Root() + "/HotSync", "--user", "Ann", "--user", "Bob" });
        m_bSetUp = setup.nExitCode == 0;
        m_settings = std::make_unique<kx_gen::CAppRegistry>("Larkwell", "Idealoom");
        m_settings->OpenSection("Preferences");
        m_settings->WriteString("Path", (Root() + "/Desktop").c_str());
        m_settings->CloseSection();
        m_context = std::make_unique<CAppContext>(m_prompter, *m_settings);
        m_bStarted = m_bSetUp && m_palm.DetectPalm(&m_prompter) && m_context->Start(&m_palm);
    }
    ~CPalmRun()
    {
        m_context->Documents().CloseAllDocuments(false);
        m_context->Stop();
        m_context.reset();
    }
    std::string Root() const { return m_dir.path().toStdString(); }
    std::string UserFile(const std::string &user, const std::string &name) const
    {
        return Root() + "/HotSync/" + user + "/Vellacor/" + name;
    }

    QTemporaryDir m_dir;
    CScriptedPrompter m_prompter;
    CPalmLibrary m_palm;
    std::unique_ptr<kx_gen::CAppRegistry> m_settings;
    std::unique_ptr<CAppContext> m_context;
    bool m_bSetUp = false;
    bool m_bStarted = false;
};

void WriteOutline(const std::string &path, const std::string &title)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title);
    db.SetCategoryName("Unfiled");
    db.GetRecordset()->Append()->SetNew(true);
    db.Open(path.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

} // namespace

void tst_Users::profileUsersAreNotListed()
{
    CFrameTestRun run;
    CUserList &users = run.m_context->Users();
    users.AddUser("Ann", 0);
    users.AddUser("Profile", 1);
    CUsersCombo combo;
    QCOMPARE(combo.objectName(), QStringLiteral("101"));
    combo.SetUsers(&users);
    combo.FillUsers();
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.itemText(0), QStringLiteral("default"));
    QCOMPARE(combo.itemText(1), QStringLiteral("Ann"));
    CUsersDlg dialog(users, run.m_context->Env());
    QCOMPARE(dialog.list()->count(), 2);
    QVERIFY(dialog.list()->findItems(QStringLiteral("Profile"), Qt::MatchExactly).isEmpty());
}

void tst_Users::selectionFindsByNameThenById()
{
    CFrameTestRun run;
    CUserList &users = run.m_context->Users();
    CUser *ann = users.AddUser("Ann", 0);
    ann->m_nUserId = 77;
    CUsersCombo combo;
    combo.SetUsers(&users);
    combo.FillUsers();
    QVERIFY(!combo.SelectUser("Nobody"));
    QVERIFY(combo.SelectUser("Ann"));
    QCOMPARE(combo.GetSelectedUser(), ann);
    // Renamed elsewhere: the entry's text names nobody, its id still does.
    ann->SetName("Anna");
    QCOMPARE(combo.GetSelectedUser(), ann);
    combo.setCurrentIndex(-1);
    QCOMPARE(combo.GetSelectedUser(), nullptr);
}

void tst_Users::aBlankNameIsRefused()
{
    CScriptedPrompter prompter;
    CUserDlg dialog(QStringLiteral("New User"), QString(), &prompter);
    dialog.show();
    dialog.edit()->setText(QStringLiteral("   "));
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(prompter.m_Messages, (std::vector<std::string> { "Please enter a user name\n" }));
    dialog.edit()->setText(QStringLiteral("  Carl "));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.name(), QStringLiteral("Carl"));
}

void tst_Users::usersDialogAddsRenamesAndDeletes()
{
    CFrameTestRun run;
    CUserList &users = run.m_context->Users();
    CUsersDlg dialog(users, run.m_context->Env());
    std::deque<QString> answers { QStringLiteral("Carl"), QStringLiteral("Carla"),
        QStringLiteral("Carla") };
    QStringList captions;
    dialog.SetNameAsker([&](const QString &caption, QString &name) {
        captions << caption + QLatin1Char(':') + name;
        name = answers.front();
        answers.pop_front();
        return true;
    });
    dialog.list()->setCurrentRow(-1);
    Button(dialog, "rename")->click();
    QCOMPARE(run.m_prompter.m_Messages.back(), std::string("Please select a user   \n"));

    Button(dialog, "new")->click();
    QVERIFY(users.FindByName("Carl"));
    QCOMPARE(dialog.list()->currentItem()->text(), QStringLiteral("Carl"));
    Button(dialog, "rename")->click();
    QVERIFY(users.FindByName("Carla"));
    QVERIFY(!users.FindByName("Carl"));
    // Renaming to the same name changes nothing.
    Button(dialog, "rename")->click();
    QCOMPARE(captions,
        (QStringList { QStringLiteral("New User:"), QStringLiteral("Rename User:Carl"),
            QStringLiteral("Rename User:Carla") }));

    run.m_prompter.m_OkCancel.push_back(false);
    Button(dialog, "delete")->click();
    QVERIFY(users.FindByName("Carla"));
    Button(dialog, "delete")->click();
    QCOMPARE(run.m_prompter.m_Questions.back(), std::string("Delete user?"));
    QVERIFY(!users.FindByName("Carla"));
    QCOMPARE(dialog.list()->count(), 1);
}

void tst_Users::deletingTheSelectedUserSwitchesToTheFirst()
{
    CPalmRun run;
    QVERIFY(run.m_bStarted);
    CUserList &users = run.m_context->Users();
    CUsersCombo combo;
    combo.SetUsers(&users);
    combo.FillUsers();
    QVERIFY(shell::SwitchUser(*run.m_context, users.FindByName("Bob")));
    QVERIFY(combo.SelectUser("Bob"));
    QVERIFY(users.RemoveUser(users.FindByName("Bob")));
    QVERIFY(shell::AfterUsersDialog(*run.m_context, combo));
    QCOMPARE(combo.count(), 1);
    QCOMPARE(users.GetActiveUser(), users.FindByName("Ann"));
    QVERIFY(users.GetActiveUser()->IsActive());
}

void tst_Users::cancellingASaveQuestionStopsTheSwitch()
{
    CPalmRun run;
    QVERIFY(run.m_bStarted);
    CUserList &users = run.m_context->Users();
    QCOMPARE(users.GetActiveUser()->GetName().str(), std::string("Ann"));
    const std::string week = run.UserFile("Ann", "Week.kxo");
    WriteOutline(week, "Week");
    users.GetActiveUser()->GetRoots().RefreshAll();
    COutlineDoc *document = run.m_context->Documents().OpenDocumentFile(week.c_str());
    QVERIFY(document);
    document->SetModifiedFlag(true);

    run.m_prompter.m_YesNoCancel.push_back(CCabinetPrompter::kCancel);
    QVERIFY(!shell::SwitchUser(*run.m_context, users.FindByName("Bob")));
    QCOMPARE(users.GetActiveUser()->GetName().str(), std::string("Ann"));
    QVERIFY(users.GetActiveUser()->IsActive());
    QVERIFY(run.m_context->Documents().FindDocument(week.c_str()));

    run.m_prompter.m_YesNoCancel.push_back(CCabinetPrompter::kNo);
    QVERIFY(shell::SwitchUser(*run.m_context, users.FindByName("Bob")));
    QCOMPARE(users.GetActiveUser()->GetName().str(), std::string("Bob"));
    QVERIFY(!run.m_context->Documents().FindDocument(week.c_str()));
}

void tst_Users::mainWindowUsersBoxSwitchesAndFollows()
{
    CPalmRun run;
    QVERIFY(run.m_bStarted);
    MainFrame frame(run.m_context.get());
    run.m_context->SetWindows(&frame);
    frame.show();
    CUserList &users = run.m_context->Users();
    run.m_context->m_onUserChanged(CCabinetNotify::kUserActivated, users.GetActiveUser());
    CUsersCombo *combo = frame.toolBars()->usersCombo();
    QVERIFY(frame.toolBars()->usersBar()->isVisible());
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("Ann"));
    QVERIFY(frame.Action(cmd::kUsers)->isEnabled());

    // Choosing Bob in the box makes him active; the status bar names him.
    combo->setCurrentIndex(combo->findText(QStringLiteral("Bob")));
    emit combo->userChosen();
    QCOMPARE(users.GetActiveUser()->GetName().str(), std::string("Bob"));
    QCOMPARE(frame.indicators()->user()->text(), QStringLiteral("Bob"));

    // A cancelled save question keeps Bob, and the box says Bob again.
    const std::string week = run.UserFile("Bob", "Week.kxo");
    WriteOutline(week, "Week");
    users.GetActiveUser()->GetRoots().RefreshAll();
    COutlineDoc *document = run.m_context->Documents().OpenDocumentFile(week.c_str());
    QVERIFY(document);
    document->SetModifiedFlag(true);
    run.m_prompter.m_YesNoCancel.push_back(CCabinetPrompter::kCancel);
    combo->setCurrentIndex(combo->findText(QStringLiteral("Ann")));
    emit combo->userChosen();
    QCOMPARE(users.GetActiveUser()->GetName().str(), std::string("Bob"));
    QCOMPARE(combo->currentText(), QStringLiteral("Bob"));
    document->SetModifiedFlag(false);
    run.m_context->SetWindows(nullptr);
}

void tst_Users::stoppingTwiceKeepsTheActiveUser()
{
    CPalmRun run;
    QVERIFY(run.m_bStarted);
    QVERIFY(shell::SwitchUser(*run.m_context, run.m_context->Users().FindByName("Bob")));
    // The window's closing and the program's exit both stop the run.
    run.m_context->Stop();
    run.m_context->Stop();
    CAppContext next(run.m_prompter, *run.m_settings);
    QVERIFY(next.Start(&run.m_palm));
    QCOMPARE(next.Users().GetActiveUser()->GetName().str(), std::string("Bob"));
    next.Stop();
}

QTEST_MAIN(tst_Users)
#include "tst_users.moc"
