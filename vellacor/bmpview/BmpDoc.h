#pragma once

// Opening the drawing editor for an item: one editor at a time, for the
// outline view's Attach drawing and Edit drawing commands and its drawing
// symbol.

#include "OutlineMan.h"

class QWidget;
class CBmpChildFrame;

class CBmpDoc {
public:
    // Opens the editor on the item's drawing in front of `mainWindow`
    // (which it keeps disabled until the editor closes) and returns it.
    // While an editor is open no second one opens: that one comes to the
    // front and is returned. Null for an item without a record.
    static CBmpChildFrame *OpenDrawingEditor(
        COutlineMan &man, COutlineNode *node, QWidget *mainWindow);
    // The open editor, or null.
    static CBmpChildFrame *Current();
    static bool IsDrawingEditorOpen() { return Current() != nullptr; }
};
