#pragma once

#include "OutlineTextView.h"

// The editing layer of the outline view: typing, deleting, joining and
// splitting items, the clipboard and the drop target. It adds nothing yet;
// the concrete view derives from it so that editing slots in between.
class COutlineEditView : public COutlineTextView {
    Q_OBJECT
public:
    explicit COutlineEditView(COutlineMan *man, QWidget *parent = nullptr)
        : COutlineTextView(man, parent)
    {
    }
};
