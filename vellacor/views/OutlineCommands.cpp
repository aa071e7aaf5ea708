#include "OutlineCommands.h"

namespace outline_cmd {

namespace {

QKeySequence Key(int combination)
{
    return QKeySequence(combination);
}

QList<CCommandInfo> MakeCommands()
{
    const int ctrl = Qt::ControlModifier;
    const int shift = Qt::ShiftModifier;
    const int alt = Qt::AltModifier;
    const int pad = Qt::KeypadModifier;
    return {
        { kCharLeft, { Key(Qt::Key_Left) } },
        { kCharLeftExtend, { Key(shift | Qt::Key_Left) } },
        { kCharRight, { Key(Qt::Key_Right) } },
        { kCharRightExtend, { Key(shift | Qt::Key_Right) } },
        { kWordLeft, { Key(ctrl | Qt::Key_Left) } },
        { kWordLeftExtend, { Key(ctrl | shift | Qt::Key_Left) } },
        { kWordRight, { Key(ctrl | Qt::Key_Right) } },
        { kWordRightExtend, { Key(ctrl | shift | Qt::Key_Right) } },
        { kLineUp, { Key(Qt::Key_Up) } },
        { kLineUpExtend, { Key(shift | Qt::Key_Up) } },
        { kLineDown, { Key(Qt::Key_Down) } },
        { kLineDownExtend, { Key(shift | Qt::Key_Down) } },
        { kScrollUp, { Key(ctrl | Qt::Key_Up) } },
        { kScrollDown, { Key(ctrl | Qt::Key_Down) } },
        { kPageUp, { Key(Qt::Key_PageUp) } },
        { kPageUpExtend, { Key(shift | Qt::Key_PageUp) } },
        { kPageDown, { Key(Qt::Key_PageDown) } },
        { kPageDownExtend, { Key(shift | Qt::Key_PageDown) } },
        { kHome, { Key(Qt::Key_Home) } },
        { kHomeExtend, { Key(shift | Qt::Key_Home) } },
        { kEnd, { Key(Qt::Key_End) } },
        { kEndExtend, { Key(shift | Qt::Key_End) } },
        { kTextHome, { Key(ctrl | Qt::Key_Home) } },
        { kTextHomeExtend, { Key(ctrl | shift | Qt::Key_Home) } },
        { kTextEnd, { Key(ctrl | Qt::Key_End) } },
        { kTextEndExtend, { Key(ctrl | shift | Qt::Key_End) } },

        { kMoveLeft, { Key(alt | Qt::Key_Left), Key(shift | Qt::Key_Backtab) } },
        { kMoveRight, { Key(alt | Qt::Key_Right) } },
        { kTabRight, { Key(Qt::Key_Tab) } },
        { kMoveUp, { Key(alt | Qt::Key_Up) } },
        { kMoveDown, { Key(alt | Qt::Key_Down) } },
        { kCollapse, { Key(pad | Qt::Key_Minus) } },
        { kExpand, { Key(pad | Qt::Key_Plus) } },
        { kNewItem, { Key(ctrl | Qt::Key_Return), Key(ctrl | pad | Qt::Key_Enter) } },
        { kDuplicateItem, {} },
        { kDeleteItem, {} },
        { kAttachNote, {} },
        { kAttachDrawing, {} },
        { kInsertDate, {} },
        { kInsertTime, {} },
        { kCutToCabinet, {} },
        { kCopyToCabinet, {} },
        { kDeleteChecked, {} },
        { kUncheckAll, {} },

        { kLineBreak, { Key(shift | Qt::Key_Return), Key(shift | pad | Qt::Key_Enter) } },
        { kInsertTab, { Key(ctrl | Qt::Key_Tab) } },
        { kBackspace, { Key(Qt::Key_Backspace) } },
        { kDeleteWordBack, { Key(ctrl | Qt::Key_Backspace) } },
        { kDelete, { Key(Qt::Key_Delete) } },
        { kOverwrite, { Key(Qt::Key_Insert) } },

        { kCopy, { Key(ctrl | Qt::Key_C), Key(ctrl | Qt::Key_Insert) } },
        { kCut, { Key(ctrl | Qt::Key_X) } },
        { kPaste, { Key(ctrl | Qt::Key_V), Key(shift | Qt::Key_Insert) } },
        { kCopyItem, { Key(ctrl | shift | Qt::Key_C) } },
        { kCutItem, { Key(ctrl | shift | Qt::Key_X) } },
        { kPasteItem, { Key(ctrl | shift | Qt::Key_V) } },
        { kSelectAll, { Key(ctrl | Qt::Key_A) } },
        { kUndo, { Key(ctrl | Qt::Key_Z), Key(alt | Qt::Key_Backspace) } },
        { kRedo, { Key(ctrl | Qt::Key_Y) } },

        { kEditNote, {} },
        { kDeleteNote, {} },
        { kEditDrawing, {} },
        { kDeleteDrawing, {} },

        { kShowCheckBoxes, { Key(alt | Qt::Key_S) }, true },
        { kHideCheckBoxes, {}, true },
        { kHideCheckedItems, { Key(alt | Qt::Key_H) }, true },
        { kShowHeading1, {}, true },
        { kShowHeading1 + 1, {}, true },
        { kShowHeading1 + 2, {}, true },
        { kShowHeading1 + 3, {}, true },
        { kShowHeading1 + 4, {}, true },
        { kShowHeading1 + 5, {}, true },
        { kShowHeading1 + 6, {}, true },
        { kShowHeading1 + 7, {}, true },
        { kShowHeading1 + 8, {}, true },
        { kShowAll, { Key(alt | Qt::Key_A) }, true },
        { kSortAllAsc, {} },
        { kSortAllDesc, {} },
        { kSortCurrentAsc, {} },
        { kSortCurrentDesc, {} },

        // Ctrl+F opens the find bar, as in a browser; the dialog keeps
        // Ctrl+Shift+F.
        { kFindBar, { Key(ctrl | Qt::Key_F) } },
        { kFind, { Key(ctrl | shift | Qt::Key_F) } },
        { kFindNext, { Key(Qt::Key_F3) } },
        { kFindPrevious, { Key(shift | Qt::Key_F3) } },
        { kReplace, { Key(ctrl | Qt::Key_H) } },
    };
}

} // namespace

const QList<CCommandInfo> &OutlineCommands()
{
    static const QList<CCommandInfo> commands = MakeCommands();
    return commands;
}

int CommandForKey(const QKeySequence &key)
{
    for (const CCommandInfo &info : OutlineCommands()) {
        for (const QKeySequence &k : info.m_Keys) {
            if (k == key)
                return info.m_nId;
        }
    }
    return 0;
}

} // namespace outline_cmd
