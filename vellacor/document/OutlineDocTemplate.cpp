#include "OutlineDocTemplate.h"

#include "DocumentHost.h"
#include "OutlineDoc.h"
#include "RootList.h"
#include "User.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cstdio>

using kx_gen::_String;

namespace {

constexpr char kOpenFilesSection[] = "Open Files";
constexpr char kAmountValue[] = "Amount";
constexpr char kFileValueFormat[] = "File%d";

} // namespace

COutlineDocTemplate::COutlineDocTemplate(
    CDocumentHost &host, CDocWindows *windows, kx_gen::CAppRegistry *settings)
    : m_Host(host)
    , m_pWindows(windows)
    , m_pSettings(settings)
{
}

COutlineDocTemplate::~COutlineDocTemplate()
{
    while (!m_Documents.empty())
        RemoveDocument(m_Documents.back().get());
}

COutlineDoc *COutlineDocTemplate::FindDocument(const _String &path) const
{
    if (path.IsEmpty())
        return nullptr;
    for (const auto &document : m_Documents)
        if (document->GetPathName() == path)
            return document.get();
    return nullptr;
}

COutlineDoc *COutlineDocTemplate::OpenDocumentFile(const _String &path, int place)
{
    if (COutlineDoc *open = FindDocument(path)) {
        if (open->GetFrame())
            open->GetFrame()->Activate();
        return nullptr;
    }
    auto document = std::make_unique<COutlineDoc>(m_Host, this);
    const bool ok = path.IsEmpty() ? document->OnNewDocument() : document->OnOpenDocument(path);
    if (!ok)
        return nullptr;
    COutlineDoc *result = Adopt(std::move(document));
    if (m_pWindows && !m_pWindows->CreateWindowFor(*result, place)) {
        RemoveDocument(result);
        return nullptr;
    }
    return result;
}

std::unique_ptr<COutlineDoc> COutlineDocTemplate::MakeImportDocument()
{
    auto document = std::make_unique<COutlineDoc>(m_Host, this);
    if (!document->OnNewDocument(true))
        return nullptr;
    return document;
}

COutlineDoc *COutlineDocTemplate::Show(std::unique_ptr<COutlineDoc> document)
{
    COutlineDoc *result = Adopt(std::move(document));
    if (m_pWindows && !m_pWindows->CreateWindowFor(*result, -1)) {
        RemoveDocument(result);
        return nullptr;
    }
    return result;
}

COutlineDoc *COutlineDocTemplate::Adopt(std::unique_ptr<COutlineDoc> document)
{
    m_Documents.push_back(std::move(document));
    return m_Documents.back().get();
}

void COutlineDocTemplate::RemoveDocument(COutlineDoc *document)
{
    auto it = std::find_if(m_Documents.begin(), m_Documents.end(),
        [document](const auto &d) { return d.get() == document; });
    if (it == m_Documents.end())
        return;
    // The window goes first: its view points into the document.
    if (m_pWindows && document->GetFrame())
        m_pWindows->DestroyWindowOf(*document);
    document->SetFrame(nullptr);
    if (document->m_bFilingCabinet)
        if (CUser *user = m_Host.ActiveUser())
            user->FilingCabinetClosed();
    std::unique_ptr<COutlineDoc> owned = std::move(*it);
    m_Documents.erase(it);
}

bool COutlineDocTemplate::CloseDocument(COutlineDoc *document)
{
    if (!document->SaveModified())
        return false;
    RemoveDocument(document);
    return true;
}

std::vector<COutlineDoc *> COutlineDocTemplate::InStackingOrder() const
{
    std::vector<COutlineDoc *> ordered;
    for (const auto &document : m_Documents)
        ordered.push_back(document.get());
    auto order = [](const COutlineDoc *d) {
        return d->GetFrame() ? d->GetFrame()->StackingOrder() : 1 << 30;
    };
    std::stable_sort(ordered.begin(), ordered.end(),
        [&](const COutlineDoc *a, const COutlineDoc *b) { return order(a) < order(b); });
    return ordered;
}

void COutlineDocTemplate::RecordOpenFiles()
{
    if (!m_pSettings || !m_bRecordOpenFiles)
        return;
    std::vector<_String> paths;
    for (COutlineDoc *document : InStackingOrder())
        if (!document->m_bFilingCabinet && !document->GetPathName().IsEmpty())
            paths.push_back(document->GetPathName());
    if (!m_pSettings->OpenSection(kOpenFilesSection))
        return;
    std::int32_t oldCount = 0;
    if (m_pSettings->ReadInt(kAmountValue, oldCount) && oldCount > 0)
        m_pSettings->deleteRegValues(kFileValueFormat, std::min(oldCount, 10000));
    m_pSettings->DeleteValue(kAmountValue);
    m_pSettings->WriteInt(kAmountValue, static_cast<std::int32_t>(paths.size()));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, kFileValueFormat, static_cast<int>(i));
        m_pSettings->WriteString(name, paths[i].c_str());
    }
    m_pSettings->CloseSection();
}

bool COutlineDocTemplate::CloseAllDocuments(bool /*endSession*/)
{
    RecordOpenFiles();
    bool allClosed = true;
    // Top window first, as a user closing them one by one would; the Filing
    // Cabinet last, since an outline may still move items into it.
    std::vector<COutlineDoc *> ordered = InStackingOrder();
    std::reverse(ordered.begin(), ordered.end());
    std::stable_partition(
        ordered.begin(), ordered.end(), [](const COutlineDoc *d) { return !d->m_bFilingCabinet; });
    for (COutlineDoc *document : ordered)
        if (!CloseDocument(document))
            allClosed = false;
    return allClosed;
}

bool COutlineDocTemplate::ReopenFiles()
{
    if (!m_pSettings || !m_pSettings->OpenSection(kOpenFilesSection))
        return false;
    std::int32_t count = 0;
    std::vector<_String> paths;
    if (m_pSettings->ReadInt(kAmountValue, count)) {
        for (int i = 0; i < std::min(count, 10000); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, kFileValueFormat, i);
            _String path;
            if (m_pSettings->ReadString(name, path) && !path.IsEmpty())
                paths.push_back(path);
        }
    }
    m_pSettings->CloseSection();
    for (const _String &path : paths)
        if (kx_gen::IsFileExist(path))
            OpenDocumentFile(path);
    return count > 0;
}

void COutlineDocTemplate::RenameCategoryInOpenDocuments(
    const _String &oldName, const _String &newName)
{
    for (const auto &document : m_Documents)
        if (!document->m_bFilingCabinet && !document->m_bTemplate)
            document->RenameCategory(oldName, newName);
}

bool COutlineDocTemplate::CloseDocumentsInHandheldOutlines()
{
    CUser *user = m_Host.ActiveUser();
    if (!user)
        return true;
    std::vector<COutlineDoc *> inHandheld;
    for (const auto &document : m_Documents)
        if (user->GetRoots().IsInHandheldOutlines(document->GetPathName()))
            inHandheld.push_back(document.get());
    bool allClosed = true;
    for (COutlineDoc *document : inHandheld)
        if (!CloseDocument(document))
            allClosed = false;
    return allClosed;
}

bool COutlineDocTemplate::SaveAll()
{
    m_bSavingAll = true;
    bool allSaved = true;
    for (const auto &document : m_Documents)
        if (document->IsModified() && !document->SaveAllByTitle())
            allSaved = false;
    m_bSavingAll = false;
    return allSaved;
}

std::vector<COutlineDoc *> COutlineDocTemplate::SaveAndCloseForSync(std::vector<_String> &closed)
{
    RecordOpenFiles();
    std::vector<COutlineDoc *> unsaved;
    m_bSavingAll = true;
    for (COutlineDoc *document : InStackingOrder()) {
        if (document->m_bFilingCabinet)
            continue;
        if (document->IsModified() && !document->SaveAllByTitle()) {
            unsaved.push_back(document);
            continue;
        }
        if (!document->GetPathName().IsEmpty())
            closed.push_back(document->GetPathName());
        RemoveDocument(document);
    }
    m_bSavingAll = false;
    return unsaved;
}

void COutlineDocTemplate::ReplaceWithFile(COutlineDoc *document, const _String &path)
{
    const int place = document->GetFrame() ? document->GetFrame()->StackingOrder() : -1;
    RemoveDocument(document);
    OpenDocumentFile(path, place);
}
