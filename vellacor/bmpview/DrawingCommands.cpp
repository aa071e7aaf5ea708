#include "DrawingCommands.h"

#include "BmpChildFrame.h"
#include "BmpDoc.h"
#include "ZumraView.h"

#include <QPointer>

CBmpChildFrame *RunEditDrawing(CZumraView &view, QWidget *mainWindow, COutlineNode *node)
{
    if (!view.IsReady() || view.HasFailed() || !view.GetMan())
        return nullptr;
    if (!node)
        node = view.GetCaret().m_pItem;
    if (!node)
        return nullptr;
    const bool fresh = !CBmpDoc::IsDrawingEditorOpen();
    CBmpChildFrame *frame = CBmpDoc::OpenDrawingEditor(*view.GetMan(), node, mainWindow);
    if (frame && fresh) {
        QPointer<CZumraView> target(&view);
        QObject::connect(
            frame, &CBmpChildFrame::DrawingClosed, &view, [target](COutlineNode *item) {
                if (!target)
                    return;
                // A changed picture of an item that keeps its drawing sends no
                // notification; its row is painted again all the same.
                target->WrapItem(item, true);
                target->viewport()->update();
            });
    }
    return frame;
}
