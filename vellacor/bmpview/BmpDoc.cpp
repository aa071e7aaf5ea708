#include "BmpDoc.h"

#include "BmpChildFrame.h"

#include <QPointer>

namespace {

QPointer<CBmpChildFrame> &OpenEditor()
{
    static QPointer<CBmpChildFrame> editor;
    return editor;
}

} // namespace

CBmpChildFrame *CBmpDoc::Current()
{
    return OpenEditor().data();
}

CBmpChildFrame *CBmpDoc::OpenDrawingEditor(
    COutlineMan &man, COutlineNode *node, QWidget *mainWindow)
{
    if (CBmpChildFrame *open = Current()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    if (!node || !node->m_Item.m_pRecord || !man.IsOpen())
        return nullptr;
    auto *frame = new CBmpChildFrame(man, node, mainWindow);
    OpenEditor() = frame;
    frame->show();
    frame->raise();
    frame->activateWindow();
    return frame;
}
