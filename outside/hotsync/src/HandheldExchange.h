#pragma once

// What the handheld side of a HotSync does to a user's handheld folder
// (the folder of Handheld Outlines with its category file): outlines and
// categories arriving from the handheld, an item changed there, and every
// exchanged record marked synchronised, as the synchronisation leaves them.
// Texts are Windows-1252, as in the files. Each function throws Corvale's
// CException (or std::runtime_error with a message) and leaves a file it
// could not finish as it was.

#include <string>
#include <vector>

namespace hotsync {

// The category `name` as the handheld made it (an id below 128), already
// synchronised. False when the file had it already.
bool AddCategory(const std::string &folder, const std::string &name);

// A new outline `title` filed under `category` (empty: unfiled; a category
// the file lacks is added as the handheld's) with one top-level item per
// text, synchronised. Returns the file's path.
std::string AddOutline(const std::string &folder, const std::string &title,
    const std::string &category, const std::vector<std::string> &items);

// Item `number` (1 = the first) of the outline `name` (a file name with or
// without ".kxo", or an outline's title) gets `text`, as the handheld's
// edit that the synchronisation brought back. Returns the file's path.
std::string ChangeItem(
    const std::string &folder, const std::string &name, int number, const std::string &text);

// Every outline of the folder (not the filing cabinet) and the category
// file as after a synchronisation: deleted records and their ids gone, new
// records given handheld ids, no change flags left, the outline marked
// synchronised. Returns the number of outlines.
int MarkSynchronized(const std::string &folder);

} // namespace hotsync
