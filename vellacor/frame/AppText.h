#pragma once

#include "AppStrings.h"
#include "QtStrings.h"

#include <QString>

// A text of the program's string table as the windows show it.
inline QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}
