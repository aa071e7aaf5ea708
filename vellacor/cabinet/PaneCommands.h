#pragma once

// What the file pane does to the active user's files besides the list
// commands: filing outlines under another category, and showing and emptying
// the filing cabinet.

#include "kx_gen/String.h"

#include <functional>
#include <vector>

class COutlineDoc;
class CRootList;
class CUser;

namespace cabinet {

// Files every outline of `paths` that lies in Desktop Outlines or Handheld
// Outlines and is not yet under `category` (exact comparison) under it: the
// file's shared header is rewritten in place and marked changed, the entry
// takes the new category and file facts, and its root is marked for
// re-sorting. `fileChanged` (may be empty) runs for each rewritten file, so
// that an open document takes the category too. Templates, Conflicts and
// files in no list are left alone; a file that cannot be rewritten keeps its
// category and entry. Returns the number of files rewritten.
int SetFileCategory(CRootList &roots, const std::vector<kx_gen::_String> &paths,
    const kx_gen::_String &category,
    const std::function<void(const kx_gen::_String &path)> &fileChanged = {});

// The window side of the filing cabinet document.
class CFilingCabinetWindow {
public:
    virtual ~CFilingCabinetWindow() = default;
    // Brings the document's window to the front (it is hidden until asked).
    virtual void Show(COutlineDoc &document) = 0;
    // Removes every item of the document and redraws its views.
    virtual void Empty(COutlineDoc &document) = 0;
};

// "Show Filing Cabinet" / "Empty Filing Cabinet" on the user's filing
// cabinet, opening it first when needed. False when it could not be had
// (the user has been told).
bool ShowFilingCabinet(CUser &user, CFilingCabinetWindow &window);
bool EmptyFilingCabinet(CUser &user, CFilingCabinetWindow &window);

} // namespace cabinet
