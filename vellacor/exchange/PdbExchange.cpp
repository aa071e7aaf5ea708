#include "PdbExchange.h"

#include "CabinetHost.h"
#include "CabinetNames.h"
#include "ExchangeText.h"
#include "RootList.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/PathUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using kx_gen::_String;

namespace {

using ConvertProc = int (*)(const char *, const char *);

// True when both paths name the same existing file.
bool sameFile(const char *a, const char *b)
{
    struct stat first {
    }, second {};
    return ::stat(a, &first) == 0 && ::stat(b, &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

} // namespace

CPdbExchange::CPdbExchange(CCabinetEnv &env, const _String &userFolder)
    : m_env(env)
    , m_strUserFolder(userFolder)
{
}

void CPdbExchange::ShowMessage(const _String &text) const
{
    if (m_env.m_pPrompter)
        m_env.m_pPrompter->ShowMessage(text);
}

void CPdbExchange::ShowConversionFailure(int result) const
{
    _String reason = m_Library.LastError();
    if (reason.IsEmpty())
        reason.FormatString(exchange::kMsgConversionFailedCode, result);
    ShowMessage(reason);
}

_String CPdbExchange::ExportFolder() const
{
    _String folder;
    if (m_env.m_pSettings && m_env.m_pSettings->OpenSection(cabinet::kPreferencesSection)) {
        m_env.m_pSettings->ReadString(exchange::kPdbExportFolderValue, folder);
        m_env.m_pSettings->CloseSection();
    }
    return folder.IsEmpty() ? m_strUserFolder : folder;
}

bool CPdbExchange::BeginExport(const _String &documentPath, SPdbDialogSetup &setup)
{
    if (documentPath.IsEmpty()) {
        ShowMessage(exchange::kMsgOutlineNeverSaved);
        return false;
    }
    COpenDocuments *documents = m_env.m_pDocuments;
    if (documents && documents->IsOpen(documentPath) && documents->IsModified(documentPath)
        && !documents->Save(documentPath))
        return false;
    if (!m_Library.Bind(exchange::kConvertToPdbFunction, m_env.m_pPrompter))
        return false;
    setup = SPdbDialogSetup();
    setup.m_strCaption = exchange::kSaveAsTitle;
    setup.m_strFolder = ExportFolder();
    setup.m_strFileName = exchange::ProposedPdbFileName(kx_gen::GetFileTitle(documentPath));
    setup.m_Filters = exchange::PdbFileFilters();
    setup.m_bFileMustExist = false;
    return true;
}

bool CPdbExchange::ExportToPdb(const _String &documentPath, const _String &pdbPath)
{
    auto convert = reinterpret_cast<ConvertProc>(
        m_Library.Bind(exchange::kConvertToPdbFunction, m_env.m_pPrompter));
    if (!convert)
        return false;
    // The converter replaces its target: never let it be the outline itself.
    if (sameFile(documentPath, pdbPath)) {
        m_Library.Release();
        ShowMessage(exchange::kMsgExportOverItself);
        return false;
    }
    if (m_env.m_pSettings && m_env.m_pSettings->OpenSection(cabinet::kPreferencesSection)) {
        m_env.m_pSettings->WriteString(exchange::kPdbExportFolderValue, kx_gen::GetRoot(pdbPath));
        m_env.m_pSettings->CloseSection();
    }
    const int result = convert(documentPath, pdbPath);
    if (result != 0)
        ShowConversionFailure(result);
    m_Library.Release();
    return result == 0;
}

bool CPdbExchange::BeginImport(SPdbDialogSetup &setup)
{
    if (!m_Library.Bind(exchange::kConvertFromPdbFunction, m_env.m_pPrompter))
        return false;
    setup = SPdbDialogSetup();
    setup.m_strCaption = exchange::kOpenTitle;
    setup.m_strFolder = m_strUserFolder;
    setup.m_Filters = exchange::PdbFileFilters();
    setup.m_bFileMustExist = true;
    return true;
}

bool CPdbExchange::ImportFromPdb(const _String &pdbPath, CRootList *roots, _String &newPath)
{
    auto convert = reinterpret_cast<ConvertProc>(
        m_Library.Bind(exchange::kConvertFromPdbFunction, m_env.m_pPrompter));
    if (!convert)
        return false;
    const exchange::SImportName name = exchange::ImportNameFromPdb(pdbPath);
    _String target = kx_gen::JoinPath(m_strUserFolder, name.m_strTitle + "." + name.Extension());
    bool replace = false;
    if (kx_gen::IsFileExist(target)) {
        _String question;
        question.FormatString(
            exchange::kMsgFileExistsOverwrite, kx_gen::GetFileName(target).c_str());
        replace = m_env.m_pPrompter && m_env.m_pPrompter->AskYesNo(question);
        if (!replace)
            target = kx_gen::GetNextValidNumberedName(target);
    }

    // The new outline is made beside its place under a hidden name, so that
    // neither a failed conversion nor one of an outline that is open can
    // cost the file that is there.
    const _String scratch = kx_gen::JoinPath(m_strUserFolder,
        _String(".import-") + std::to_string(::getpid()).c_str() + "." + name.Extension());
    std::remove(scratch);
    const int result = convert(pdbPath, scratch);
    if (result != 0) {
        ShowConversionFailure(result);
        std::remove(scratch);
        m_Library.Release();
        return false;
    }
    m_Library.Release();
    COpenDocuments *documents = m_env.m_pDocuments;
    if (replace && documents && documents->IsOpen(target))
        documents->Close(target, true);
    if (std::rename(scratch, target) != 0) {
        _String message;
        message.FormatString(
            "The file %s cannot be written: %s.", target.c_str(), std::strerror(errno));
        std::remove(scratch);
        ShowMessage(message);
        return false;
    }
    if (roots)
        roots->RefreshFile(target);
    if (documents)
        documents->Open(target);
    newPath = target;
    return true;
}
