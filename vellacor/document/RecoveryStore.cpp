#include "RecoveryStore.h"

#include "OutlineDoc.h"
#include "OutlineDocTemplate.h"
#include "SafeSaveFile.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"
#include "kx_gen/Memory.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

using kx_gen::_String;

namespace {

constexpr char kCopyExtension[] = ".kxo";
constexpr char kInfoExtension[] = ".info";
constexpr char kKeptPrefix[] = "kept";

_String InfoPathOf(const _String &copyPath)
{
    std::string path = copyPath.str();
    if (path.size() > 4 && path.compare(path.size() - 4, 4, kCopyExtension) == 0)
        path.resize(path.size() - 4);
    return _String(path + kInfoExtension);
}

// One line of the description; newlines would end it early, so a value
// holds none.
std::string Line(const char *key, const std::string &value)
{
    std::string clean = value;
    std::replace(clean.begin(), clean.end(), '\n', ' ');
    std::replace(clean.begin(), clean.end(), '\r', ' ');
    return std::string(key) + "=" + clean + "\n";
}

bool WriteText(const std::string &path, const std::string &text)
{
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::remove(part.c_str());
            return false;
        }
    }
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        return false;
    }
    return true;
}

} // namespace

CRecoveryStore::CRecoveryStore(const _String &folder)
    : m_strFolder(folder.IsEmpty() ? DefaultFolder() : folder)
{
    // Every store its own session, also two in one process.
    static int stores = 0;
    m_strSession = _String(std::to_string(::getpid()) + "-" + std::to_string(std::time(nullptr))
        + "-" + std::to_string(++stores));
}

_String CRecoveryStore::DefaultFolder()
{
    std::string base;
    if (const char *data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        base = data;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = "/tmp";
    return _String(base + "/Larkwell/Vellacor/Recovery");
}

bool CRecoveryStore::ReadInfo(const _String &infoPath, SCopy &copy)
{
    std::ifstream in(infoPath.str(), std::ios::binary);
    if (!in)
        return false;
    std::string line;
    bool any = false;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "original") {
            copy.strOriginal = _String(value);
            any = true;
        } else if (key == "title") {
            copy.strTitle = _String(value);
        } else if (key == "time") {
            copy.nTime = std::strtoll(value.c_str(), nullptr, 10);
        } else if (key == "kept") {
            copy.bKept = value == "1";
        }
    }
    return any;
}

std::vector<CRecoveryStore::SCopy> CRecoveryStore::LeftOver() const
{
    std::vector<SCopy> copies;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(m_strFolder.str(), error)) {
        const std::filesystem::path &path = entry.path();
        if (path.extension() != kCopyExtension || !entry.is_regular_file())
            continue;
        // This run's own copies are not left over.
        if (path.filename().string().rfind(m_strSession.str() + "-", 0) == 0)
            continue;
        SCopy copy;
        copy.strPath = _String(path.string());
        if (!ReadInfo(InfoPathOf(copy.strPath), copy)) {
            // A file an earlier run had adopted and opened: its document's
            // own copy (if any) stands for it.
            if (!kx_gen::IsFileExist(InfoPathOf(copy.strPath)))
                std::filesystem::remove(path, error);
            continue;
        }
        copies.push_back(copy);
    }
    std::sort(copies.begin(), copies.end(), [](const SCopy &a, const SCopy &b) {
        return a.nTime != b.nTime ? a.nTime < b.nTime : a.strPath.str() < b.strPath.str();
    });
    return copies;
}

bool CRecoveryStore::Remove(const SCopy &copy)
{
    std::error_code error;
    std::filesystem::remove(copy.strPath.str(), error);
    if (error || std::filesystem::exists(copy.strPath.str()))
        return false;
    std::filesystem::remove(InfoPathOf(copy.strPath).str(), error);
    return true;
}

_String CRecoveryStore::NewPath(const char *prefix)
{
    for (;;) {
        const std::string name = std::string(prefix) + "-" + std::to_string(++m_nNext);
        const _String path = kx_gen::JoinPath(m_strFolder, _String(name + kCopyExtension));
        if (!kx_gen::IsFileExist(path))
            return path;
    }
}

_String CRecoveryStore::CopyOf(const COutlineDoc *document) const
{
    const auto it = m_Copies.find(document);
    return it == m_Copies.end() ? _String() : it->second;
}

bool CRecoveryStore::Write(COutlineDoc &document, const _String &path, bool kept)
{
    COutlineMan &man = document.GetOutline();
    if (!man.IsOpen() || !man.GetDB())
        return false;
    std::error_code error;
    std::filesystem::create_directories(m_strFolder.str(), error);
    COutlineTree &tree = man.GetTree();
    // The items as a complete outline file of their own, made without
    // touching the outline's records or file.
    kx_gen::MemHolder block(man.MakeTransferBlock(tree.GetFirstChild(nullptr),
        tree.GetLastChild(nullptr)));
    if (!block.get())
        return false;
    const _String items(path.str() + ".items");
    try {
        {
            kx_gen::CFile file;
            file.Open(items, kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
            const void *bytes = kx_gen::MemGetPtr(block.get());
            file.Write(bytes, static_cast<unsigned>(kx_gen::MemGetSize(block.get())));
            kx_gen::MemReleasePtr(block.get());
            file.Close();
        }
        // The copy carries the outline's title, category and display.
        kx_gen::COutlineDB db;
        db.Open(items, kx_gen::CFile::modeRead);
        db.ReadSharedHeader();
        db.ReadPrivateHeader();
        db.ReadRows();
        db.Close();
        db.copyPrivateHeader(*man.GetDB());
        db.SetCategoryName(man.GetDB()->GetCategoryName());
        db.SetOutlineTitle(document.m_strOutlineTitle);
        CSafeSaveFile safe(path);
        db.Open(safe.GetTempPath(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
        db.WriteAllHeaders();
        db.WriteRows();
        db.Close();
        safe.Commit(false);
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder owned(e);
        std::filesystem::remove(items.str(), error);
        return false;
    } catch (const std::exception &) {
        std::filesystem::remove(items.str(), error);
        return false;
    }
    std::filesystem::remove(items.str(), error);
    std::string info = Line("original", document.GetPathName().str())
        + Line("title", document.m_strOutlineTitle.str())
        + Line("time", std::to_string(std::time(nullptr)));
    if (kept)
        info += Line("kept", "1");
    return WriteText(InfoPathOf(path).str(), info);
}

bool CRecoveryStore::Update(const std::vector<COutlineDoc *> &documents)
{
    bool allWritten = true;
    std::map<const COutlineDoc *, _String> keep;
    for (COutlineDoc *document : documents) {
        if (document->m_bFilingCabinet || !document->IsModified())
            continue;
        _String path = CopyOf(document);
        if (path.IsEmpty())
            path = NewPath(m_strSession);
        if (!Write(*document, path, false))
            allWritten = false;
        if (kx_gen::IsFileExist(path))
            keep[document] = path;
    }
    for (const auto &[document, path] : m_Copies)
        if (!keep.count(document)) {
            SCopy copy;
            copy.strPath = path;
            Remove(copy);
        }
    m_Copies.swap(keep);
    // An adopted file goes with its document.
    for (auto it = m_Adopted.begin(); it != m_Adopted.end();) {
        if (std::find(documents.begin(), documents.end(), it->first) == documents.end()) {
            std::error_code error;
            std::filesystem::remove(it->second.str(), error);
            it = m_Adopted.erase(it);
        } else {
            ++it;
        }
    }
    return allWritten;
}

bool CRecoveryStore::Keep(COutlineDoc &document, _String *where)
{
    const _String path = NewPath(kKeptPrefix);
    if (!Write(document, path, true))
        return false;
    if (where)
        *where = path;
    return true;
}

void CRecoveryStore::Forget(const COutlineDoc *document)
{
    const auto it = m_Copies.find(document);
    if (it == m_Copies.end())
        return;
    SCopy copy;
    copy.strPath = it->second;
    Remove(copy);
    m_Copies.erase(it);
}

_String CRecoveryStore::Adopt(const SCopy &copy)
{
    const _String path = NewPath(_String(m_strSession.str() + "-opened"));
    std::error_code error;
    std::filesystem::rename(copy.strPath.str(), path.str(), error);
    if (error)
        return _String();
    return path;
}

void CRecoveryStore::AdoptedBy(
    const SCopy &copy, const _String &path, const COutlineDoc *document)
{
    std::error_code error;
    std::filesystem::remove(InfoPathOf(copy.strPath).str(), error);
    m_Adopted[document] = path;
}

void CRecoveryStore::RemoveSessionCopies()
{
    for (const auto &entry : m_Adopted) {
        std::error_code error;
        std::filesystem::remove(entry.second.str(), error);
    }
    m_Adopted.clear();
    for (const auto &entry : m_Copies) {
        SCopy copy;
        copy.strPath = entry.second;
        Remove(copy);
    }
    m_Copies.clear();
}

COutlineDoc *OpenRecoveredOutline(
    COutlineDocTemplate &documents, CRecoveryStore &store, const CRecoveryStore::SCopy &copy)
{
    // The document reads from its file also when it saves: the copy stays,
    // as a file of this run, until the document is gone.
    const _String file = store.Adopt(copy);
    if (file.IsEmpty())
        return nullptr;
    COutlineDoc *document = documents.OpenDocumentFile(file);
    if (!document) {
        std::error_code error;
        std::filesystem::rename(file.str(), copy.strPath.str(), error);
        return nullptr;
    }
    store.AdoptedBy(copy, file, document);
    const _String title = copy.strTitle.IsEmpty() ? document->GetTitle() : copy.strTitle;
    document->Renamed(_String(), title);
    // Its first save makes a file, as for any outline never saved.
    document->GetOutline().SetNewDB(true);
    if (!copy.strOriginal.IsEmpty())
        document->m_strNewFolder = kx_gen::GetFileDir(copy.strOriginal);
    document->SetModifiedFlag(true);
    store.Update(documents.InStackingOrder());
    return document;
}
