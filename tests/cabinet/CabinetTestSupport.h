#pragma once

// Recording stand-ins for the shell's side of the filing cabinet, temporary
// folders with their own settings store, and helpers that write and read
// outline and category files.

#include "CabinetHost.h"
#include "PalmLibrary.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryDB.h"

#include "../support/PalmDesktopTestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The shell's document class is not part of the cabinet; the tests' filing
// cabinet documents only remember their path.
class COutlineDoc {
public:
    explicit COutlineDoc(std::string path)
        : m_strPath(std::move(path))
    {
    }
    std::string m_strPath;
};

namespace cabinettest {

using vellacortest::CTempFolder;
using vellacortest::Exists;
using vellacortest::RunPalmDesktop;
using vellacortest::SCommandResult;
using vellacortest::WriteFile;

class CRecordingPrompter : public CCabinetPrompter {
public:
    void ShowMessage(const kx_gen::_String &text) override;
    bool AskYesNo(const kx_gen::_String &question) override;
    bool AskText(const kx_gen::_String &caption, kx_gen::_String &text) override;
    bool AskDelete(const kx_gen::_String &message, bool &archive) override;
    Answer AskYesNoCancel(const kx_gen::_String &question) override;
    bool AskOkCancel(const kx_gen::_String &question) override;
    int AskTemplateRoot() override;

    std::vector<std::string> m_Messages;
    std::vector<std::string> m_Questions;
    // Answers to Yes/No questions in order; Yes when none is left.
    std::deque<bool> m_YesNo;
    // Texts typed into the name dialog in order; nullopt cancels; Cancel
    // when none is left.
    std::deque<std::optional<std::string>> m_Texts;
    // Caption and initial text of every name dialog.
    std::vector<std::pair<std::string, std::string>> m_TextDialogs;
    // The delete dialog: OK or Cancel, and the box state the user leaves
    // (nullopt: as shown). The states it was shown with are recorded.
    bool m_bDeleteOk = true;
    std::optional<bool> m_DeleteArchive;
    std::vector<bool> m_DeleteShownWith;
    // Answers to Yes/No/Cancel and OK/Cancel questions in order; Yes and OK
    // when none is left. The template root chosen (0: Cancel).
    std::deque<Answer> m_YesNoCancel;
    std::deque<bool> m_OkCancel;
    int m_nTemplateRoot = 0;
};

class CRecordingDocuments : public COpenDocuments {
public:
    bool IsOpen(const kx_gen::_String &path) override;
    bool IsModified(const kx_gen::_String &path) override;
    bool Save(const kx_gen::_String &path) override;
    int Close(const kx_gen::_String &path, bool discard) override;
    void Reopen(const kx_gen::_String &path, int place) override;
    void Open(const kx_gen::_String &path) override;
    void Renamed(const kx_gen::_String &oldPath, const kx_gen::_String &newPath,
        const kx_gen::_String &title) override;
    void NewDocument(const kx_gen::_String &folder, bool isTemplate) override;
    COutlineDoc *OpenFilingCabinet(const kx_gen::_String &path, bool fromFile) override;
    void CloseFilingCabinet(COutlineDoc *document) override;

    // Open documents: path -> modified.
    std::map<std::string, bool> m_Open;
    bool m_bSaveSucceeds = true;
    // Filing cabinet opens that fail: from the file, and new ones.
    bool m_bCabinetFileFails = false;
    bool m_bCabinetNewFails = false;
    // Every call, as "save P", "close P discard|keep", "reopen P N",
    // "open P", "renamed A B T", "new F template|outline",
    // "cabinet P file|new", "cabinet-close P".
    std::vector<std::string> m_Calls;
    std::vector<std::unique_ptr<COutlineDoc>> m_Cabinets;
    int m_nNextPlace = 7;
};

class CRecordingCategoryList : public CCategoryMenuList {
public:
    void Reset() override;
    bool Contains(const kx_gen::_String &name) override;
    void AddName(const kx_gen::_String &name) override;
    void RemoveKnown(kx_gen::CCategoryDB &categories) override;
    void RebuildFile(kx_gen::CCategoryDB &categories) override;
    void AttachFile(kx_gen::CCategoryDB *categories) override;

    std::vector<std::string> m_Names;
    kx_gen::CCategoryDB *m_pAttached = nullptr;
    int m_nResets = 0;
    int m_nRebuilds = 0;
};

class CRecordingNotify : public CCabinetNotify {
public:
    void UserChanged(int code, CUser *user) override;
    void CategoryAdded(const kx_gen::_String &oldName, const kx_gen::_String &newName) override;
    void Quit() override { ++m_nQuits; }

    // Code and user name of every user change.
    std::vector<std::pair<int, std::string>> m_UserChanges;
    std::vector<std::pair<std::string, std::string>> m_CategoriesAdded;
    int m_nQuits = 0;
};

// A temporary folder that is also the home of the settings store, the
// recording stand-ins and a cabinet environment in desktop-only mode with
// the desktop folder "Desktop" in the temporary folder.
class CCabinetTest : public ::testing::Test {
protected:
    CCabinetTest();
    void SetUp() override;

    std::string Desktop() const { return m_temp / "Desktop"; }
    std::string DesktopFile(const std::string &name) const { return Desktop() + "/" + name; }

    CTempFolder m_temp;
    kx_gen::CAppRegistry m_settings;
    CPalmLibrary m_palm;
    CRecordingPrompter m_prompter;
    CRecordingDocuments m_documents;
    CRecordingCategoryList m_categoryList;
    CRecordingNotify m_notify;
    CCabinetEnv m_env;
};

// Palm mode: `palm-desktop setup` made the HotSync folder "HotSync" in the
// temporary folder with the users "Ann" and "Bob", and Palm's library was
// loaded through the settings store.
class CPalmCabinetTest : public CCabinetTest {
protected:
    void SetUp() override;

    std::string HotSync() const { return m_temp / "HotSync"; }
    // The outline folder of a user made by palm-desktop from its name.
    std::string UserFolder(const std::string &name) const
    {
        return HotSync() + "/" + name + "/Vellacor";
    }
};

// Writes a new outline file with one item.
void WriteOutline(const std::string &path, const std::string &title, const std::string &category,
    bool synchronized = false);

struct SOutlineFacts {
    std::string title;
    std::string category;
    bool outlineChanged = false;
    bool synchronized = false;
};
SOutlineFacts ReadOutlineFacts(const std::string &path);

// Writes a category file with the unfiled category and `names`.
void WriteCategories(const std::string &path, const std::vector<std::string> &names);
// The names in a category file, in slot order.
std::vector<std::string> ReadCategories(const std::string &path);

// The names in a folder, sorted.
std::vector<std::string> ListFolder(const std::string &folder);

} // namespace cabinettest
