#pragma once

#include <string>
#include <vector>

namespace tavish {

// Copies a group of files so that either all targets are replaced or none
// is: each copy is first written to a temporary file beside its target, and
// only Commit renames them over the targets. Temporary files that were not
// committed are removed when the batch ends.
class CCopyBatch {
public:
    CCopyBatch() = default;
    ~CCopyBatch();
    CCopyBatch(const CCopyBatch &) = delete;
    CCopyBatch &operator=(const CCopyBatch &) = delete;

    // Copies the plain file `source` into a temporary file in the folder of
    // `target`, with the source's permission bits. False when the source
    // cannot be read, a folder stands in the target's place or the copy
    // cannot be written completely.
    bool Stage(const std::string &source, const std::string &target);
    // Renames every staged copy over its target, in staging order. Returns
    // the index of the first copy that could not be renamed (the ones before
    // it are in place, the rest are removed), or -1 when all are in place.
    int Commit();

private:
    struct SStaged {
        std::string strTemporary;
        std::string strTarget;
    };
    std::vector<SStaged> m_staged;
};

// True when `path` names a plain file (following symbolic links).
bool IsPlainFile(const std::string &path);
// True when `path` names a folder (following symbolic links).
bool IsFolder(const std::string &path);

} // namespace tavish
