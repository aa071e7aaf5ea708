#pragma once

// The File menu's list of recently used outlines: at most four paths, the
// newest first, kept in the settings store ("Recent File List", "File1" to
// "File4"). The filing cabinet never enters it.

#include "kx_gen/String.h"

#include <vector>

namespace kx_gen {
class CAppRegistry;
}

class CRecentFileList {
public:
    static constexpr int kSize = 4;

    // Puts `path` first (moving it up when it is listed, in any letter
    // case). False, and nothing changes, for an empty path or one that
    // names a filing cabinet.
    bool Add(const kx_gen::_String &path);
    void Remove(const kx_gen::_String &path);
    const std::vector<kx_gen::_String> &Paths() const { return m_Paths; }

    void Load(kx_gen::CAppRegistry &settings);
    void Save(kx_gen::CAppRegistry &settings) const;

private:
    std::vector<kx_gen::_String> m_Paths;
};
