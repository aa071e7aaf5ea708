#include "CabinetHost.h"

#include "PalmLibrary.h"

bool CCabinetEnv::PalmPresent() const
{
    return m_pPalm && m_pPalm->IsLoaded();
}
