#pragma once

// The two conversions as the entry points and the tarnvel command run them.

#include "OutlinePdb.h"

#include <string>

namespace tarnvel {

// Outline file -> database file. Throws CConvertError.
void ConvertOutlineToPdb(const std::string &outlinePath, const std::string &pdbPath);
// Database file -> outline file. Throws CConvertError.
void ConvertPdbToOutline(const std::string &pdbPath, const std::string &outlinePath);

// The whole file, refused unread when larger than a database can be.
// Throws CConvertError kErrRead.
std::string ReadWholeFile(const std::string &path);

// Runs `work`, turning every failure into a code and a message; 0 and ""
// on success.
template <typename Work> int RunGuarded(Work &&work, std::string &message);

} // namespace tarnvel

#include "tarnvel/Tarnvel.h"

#include <new>

template <typename Work> int tarnvel::RunGuarded(Work &&work, std::string &message)
{
    try {
        work();
        message.clear();
        return kTarnvelOk;
    } catch (const CConvertError &e) {
        message = e.what();
        return e.Code();
    } catch (const std::bad_alloc &) {
        message = "There is not enough memory for the conversion.";
    } catch (const std::exception &e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    return kTarnvelErrInternal;
}
