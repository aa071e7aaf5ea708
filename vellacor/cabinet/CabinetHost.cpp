#include "CabinetHost.h"

#include "CabinetNames.h"
#include "PalmLibrary.h"

#include "kx_gen/Exception.h"

bool CCabinetEnv::PalmPresent() const
{
    return m_pPalm && m_pPalm->IsLoaded();
}

bool CCabinetEnv::Attempt(const std::function<void()> &operation) const
{
    try {
        operation();
        return true;
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder holder(e);
        m_pPrompter->ShowMessage(e->GetDescription());
    } catch (...) {
        m_pPrompter->ShowMessage(cabinet::kMsgUnknownException);
    }
    return false;
}
