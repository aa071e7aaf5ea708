#pragma once

// The outline view's drawing commands (Attach drawing, Edit drawing, and a
// click on an item's drawing symbol): the drawing editor for the caret's
// item, or for a given one.

class QWidget;
class CBmpChildFrame;
class CZumraView;

#include "OutlineMan.h"

// Opens the editor on `node` (the caret's item when null) of the view's
// outline, in front of `mainWindow`; the view repaints the item when the
// editor has written its result. Null when the view is not ready or the
// outline cannot be edited; an editor already open comes to the front.
CBmpChildFrame *RunEditDrawing(CZumraView &view, QWidget *mainWindow, COutlineNode *node = nullptr);
