#pragma once

// The outline view's commands: their ids, menu texts and keys. The view
// makes one QAction per command from this table (objectName = the id), and
// the main window puts the same actions into its Edit menu and toolbar.

#include <QKeySequence>
#include <QList>

namespace outline_cmd {

enum Id : int {
    // Caret movement; "extend" keeps the anchor.
    kCharLeft = 32872,
    kCharLeftExtend = 32874,
    kCharRight = 32880,
    kCharRightExtend = 32882,
    kWordLeft = 32873,
    kWordLeftExtend = 32875,
    kWordRight = 32881,
    kWordRightExtend = 32883,
    kLineUp = 32886,
    kLineUpExtend = 32888,
    kLineDown = 32859,
    kLineDownExtend = 32861,
    kScrollUp = 32887,
    kScrollDown = 32860,
    kPageUp = 32878,
    kPageUpExtend = 32879,
    kPageDown = 32876,
    kPageDownExtend = 32877,
    kHome = 32867,
    kHomeExtend = 32869,
    kEnd = 32862,
    kEndExtend = 32864,
    kTextHome = 32868,
    kTextHomeExtend = 32870,
    kTextEnd = 32863,
    kTextEndExtend = 32865,

    // Items.
    kMoveLeft = 32779,
    kMoveRight = 32780,
    kTabRight = 32893,
    kMoveUp = 32781,
    kMoveDown = 32782,
    kCollapse = 32783,
    kExpand = 32784,
    kNewItem = 32786,
    kDuplicateItem = 32785,
    kDeleteItem = 32806,
    kAttachNote = 32787,
    kAttachDrawing = 32839,
    kInsertDate = 32982,
    kInsertTime = 32983,
    kCutToCabinet = 32807,
    kCopyToCabinet = 32808,
    kDeleteChecked = 32777,
    kUncheckAll = 32952,

    // Text.
    kLineBreak = 32892,
    kInsertTab = 32884,
    kBackspace = 32857,
    kDeleteWordBack = 32998,
    kDelete = 32858,
    kOverwrite = 32871,

    // Clipboard and undo.
    kCopy = 57634,
    kCut = 57635,
    kPaste = 57637,
    kCopyItem = 32961,
    kCutItem = 32963,
    kPasteItem = 32964,
    kSelectAll = 57642,
    kUndo = 57643,
    kRedo = 57644,

    // Context menus of the row symbols.
    kEditNote = 32953,
    kDeleteNote = 32954,
    kEditDrawing = 32955,
    kDeleteDrawing = 32956,

    // Display.
    kShowCheckBoxes = 32894,
    kHideCheckBoxes = 32895,
    kHideCheckedItems = 32896,
    kShowHeading1 = 32921,
    kShowAll = 32930,
    kSortAllAsc = 32987,
    kSortAllDesc = 32988,
    kSortCurrentAsc = 32989,
    kSortCurrentDesc = 32990,

    // Searching.
    kFind = 57636,
    kFindNext = 57640,
    kFindPrevious = 32866,
    kReplace = 57641,
    kFindBar = 33140,
};

struct CCommandInfo {
    // The menu text is the program's string of this id.
    int m_nId;
    QList<QKeySequence> m_Keys;
    // A choice of the display (shown with a check mark).
    bool m_bCheckable = false;
};

// Every command of the view, in menu order.
const QList<CCommandInfo> &OutlineCommands();

// The command that a key press runs, or 0.
int CommandForKey(const QKeySequence &key);

} // namespace outline_cmd
