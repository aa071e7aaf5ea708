// The C entry points of libTarnvel.so.

#include "tarnvel/Tarnvel.h"

#include "Convert.h"

#include <string>

namespace {

thread_local std::string t_lastError;

bool given(const char *path)
{
    return path && *path;
}

int argumentsMissing()
{
    t_lastError = "A file name for the conversion is missing.";
    return kTarnvelErrArguments;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int convertPCtoPDB(
    const char *outlinePath, const char *pdbPath)
{
    if (!given(outlinePath) || !given(pdbPath))
        return argumentsMissing();
    return tarnvel::RunGuarded(
        [&] { tarnvel::ConvertOutlineToPdb(outlinePath, pdbPath); }, t_lastError);
}

extern "C" __attribute__((visibility("default"))) int convertPDBtoPC(
    const char *pdbPath, const char *outlinePath)
{
    if (!given(pdbPath) || !given(outlinePath))
        return argumentsMissing();
    return tarnvel::RunGuarded(
        [&] { tarnvel::ConvertPdbToOutline(pdbPath, outlinePath); }, t_lastError);
}

extern "C" __attribute__((visibility("default"))) const char *tarnvelLastError(void)
{
    return t_lastError.c_str();
}
