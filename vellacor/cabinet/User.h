#pragma once

#include "RootList.h"

#include "kx_gen/String.h"

#include <cstdint>
#include <memory>

namespace kx_gen {
class CAppRegistry;
class CCategoryDB;
} // namespace kx_gen

struct CCabinetEnv;
class COutlineDoc;

// The per-user settings of the HTML export, kept in the section
// "UserHtml_<NAME>" of the settings store.
struct CUserHtmlSettings {
    kx_gen::_String m_strHtmlPath;
    kx_gen::_String m_strRulePath;
    kx_gen::_String m_strExportFolder;

    // Valid when the first two name existing files and the third is set.
    bool IsValid() const;
};

// A user whose outlines the program shows: a handheld user of HotSync
// (CPalmUser) or the program's own user (CDesktopUser). While active, the
// user has its outline lists, its category file open and possibly its filing
// cabinet document.
class CUser {
public:
    explicit CUser(CCabinetEnv &env);
    // Frees the category file without saving it: deactivate a user before
    // destroying it.
    virtual ~CUser();
    CUser(const CUser &) = delete;
    CUser &operator=(const CUser &) = delete;

    // Reads the user at `index` of the Palm user list. Throws the library's
    // CException when a Palm call is missing or fails.
    virtual void Load(int index) = 0;
    // Makes `path` (trimmed) the user's folder, creating it when nothing of
    // that name exists.
    virtual void SetFolder(const kx_gen::_String &path);

    // Builds and reads the outline lists, fills the program's category list,
    // opens (or rebuilds) the category file, checks the filter category and
    // attaches the category file; then tells the main window. False when the
    // category file could neither be read nor rebuilt (the program has been
    // told to quit), or when a Palm user's folder cannot be had from the
    // library (after a message; the user then stays inactive).
    bool Activate();
    // Saves and closes the category file, closes the filing cabinet, clears
    // the lists and tells the main window.
    void Deactivate();
    bool IsActive() const { return m_bActive; }

    // The folder that holds the user's own files: the user's folder in Palm
    // mode, the desktop folder in desktop-only mode.
    kx_gen::_String BaseFolder() const;
    kx_gen::_String CategoriesPath() const;
    kx_gen::_String FilingCabinetPath() const;

    // The filing cabinet document, opened on first use (a new empty one when
    // the file cannot be read, after a message). Null only when not even
    // that could be made; the program has then been told to quit.
    COutlineDoc *GetFilingCabinet();
    // The shell closed the filing cabinet document itself.
    void FilingCabinetClosed() { m_pFilingCabinet = nullptr; }

    // True when `path` may not enter the recent-file list: it names a
    // filing cabinet ("Folder.kxo" anywhere in it, in any letter case).
    static bool IsFilingCabinetPath(const kx_gen::_String &path);

    // Writes the open category file to CategoriesPath(); a failure is shown
    // and swallowed. False when it failed or no file is open.
    bool SaveCategories();

    // Reads / writes the user's HTML export settings.
    CUserHtmlSettings LoadHtmlSettings(kx_gen::CAppRegistry &settings) const;
    bool StoreHtmlSettings(kx_gen::CAppRegistry &settings, const CUserHtmlSettings &html) const;
    // "UserHtml_" and the name, in upper case.
    kx_gen::_String HtmlSectionName() const;

    const kx_gen::_String &GetName() const { return m_strName; }
    void SetName(const kx_gen::_String &name) { m_strName = name; }
    const kx_gen::_String &GetFolder() const { return m_strFolder; }
    std::uint32_t GetUserId() const { return m_nUserId; }
    CRootList &GetRoots() { return m_Roots; }
    const CRootList &GetRoots() const { return m_Roots; }
    kx_gen::CCategoryDB *GetCategories() const { return m_pCategories.get(); }

    kx_gen::_String m_strName;
    kx_gen::_String m_strFolder;
    std::uint32_t m_nUserId = 0;
    int m_bProfile = 0;
    int m_bLocal = 0;
    int m_bFirstShow = 1;
    kx_gen::_String m_strFilterCategory;

protected:
    CCabinetEnv &m_env;

private:
    // Opens the category file, or rebuilds it when it is missing or, after
    // the user agreed, unreadable. False when neither worked.
    bool OpenCategories();
    void RebuildCategories();
    void ReportException(kx_gen::CException *e) const;

    CRootList m_Roots;
    std::unique_ptr<kx_gen::CCategoryDB> m_pCategories;
    COutlineDoc *m_pFilingCabinet = nullptr;
    bool m_bActive = false;
};

// A HotSync user read from Palm's user library.
class CPalmUser : public CUser {
public:
    using CUser::CUser;

    // Reads name, id, folder and profile flag of the user at `index`.
    void Load(int index) override;
    // A Palm user keeps the folder below its HotSync directory: `path` is
    // ignored; the folder is read from the library when still unknown and
    // then created when missing.
    void SetFolder(const kx_gen::_String &path) override;

private:
    void LoadWithInstaide(int index);
    void LoadWithUserData(int index);
    // The HotSync directory of this user.
    kx_gen::_String ReadUserDirectory();
};

// The user of desktop-only mode ("default") or one added by name.
class CDesktopUser : public CUser {
public:
    using CUser::CUser;

    void Load(int) override { }
};
