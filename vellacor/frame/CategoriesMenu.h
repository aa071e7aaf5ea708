#pragma once

// A pop-up menu with one entry per category of the user's file, in display
// order; entry i carries the command id 255 + i.

#include <QMenu>

#include <vector>

namespace kx_gen {
class CCategoryDB;
class CCategoryRecord;
} // namespace kx_gen

class CCategoriesMenu {
public:
    static constexpr int kFirstCommand = 255;
    static constexpr int kLastCommand = 510;

    // Fills `menu` (emptied first) from `file`; false when there is nothing
    // to show. The command id of an action is its data().
    bool Create(QMenu &menu, kx_gen::CCategoryDB *file);
    // The record of a command id of the menu, or null.
    kx_gen::CCategoryRecord *FromCommand(int id) const;

private:
    std::vector<kx_gen::CCategoryRecord *> m_Records;
};
