#include "TarnvelLibrary.h"

#include "CabinetHost.h"
#include "ExchangeText.h"
#include "PalmLibrary.h"

#include "kx_gen/Exception.h"
#include "kx_gen/PathUtils.h"

#include <cstring>

#include <dlfcn.h>

using kx_gen::_String;

CTarnvelLibrary::~CTarnvelLibrary()
{
    Release();
}

bool CTarnvelLibrary::Load(CCabinetPrompter *prompter)
{
    Release();
    const _String folder = CPalmLibrary::GetHotSyncFolder();
    if (folder.IsEmpty())
        return false;
    if (!kx_gen::IsFileExist(kx_gen::JoinPath(folder, exchange::kTarnvelLibraryName))) {
        if (prompter)
            prompter->ShowMessage(exchange::kMsgConverterMissing);
        return false;
    }
    m_hLibrary = CPalmLibrary::LoadPalmLibrary(exchange::kTarnvelLibraryName, prompter);
    return m_hLibrary != nullptr;
}

void CTarnvelLibrary::Release()
{
    if (m_hLibrary)
        ::dlclose(m_hLibrary);
    m_hLibrary = nullptr;
}

void *CTarnvelLibrary::Resolve(const char *function) const
{
    void *address = m_hLibrary ? ::dlsym(m_hLibrary, function) : nullptr;
    if (!address)
        throw new kx_gen::CException(exchange::kMsgPalmLibrariesDifferent);
    return address;
}

void *CTarnvelLibrary::Bind(const char *function, CCabinetPrompter *prompter)
{
    if (!IsLoaded() && !Load(prompter))
        return nullptr;
    try {
        return Resolve(function);
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder holder(e);
        if (prompter)
            prompter->ShowMessage(holder->GetDescription());
    } catch (...) {
        if (prompter)
            prompter->ShowMessage(exchange::kMsgUnknownException);
    }
    Release();
    return nullptr;
}

_String CTarnvelLibrary::LastError() const
{
    using LastErrorProc = const char *(*)();
    auto proc = m_hLibrary
        ? reinterpret_cast<LastErrorProc>(::dlsym(m_hLibrary, exchange::kLastErrorFunction))
        : nullptr;
    const char *text = proc ? proc() : nullptr;
    // The converter's buffer is its own; copy at most a screenful of it.
    return text ? _String(text, ::strnlen(text, 4096)) : _String();
}
