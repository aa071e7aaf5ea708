#include "ViewProbe.h"

#include "QtStrings.h"
#include "ZumraView.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

void ProbeViewRows(const CZumraView &view)
{
    static const QString path = qEnvironmentVariable("VELLACOR_VIEW_PROBE");
    if (path.isEmpty() || !view.isVisible())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    for (const COutlineRowSlot &slot : view.Geometry().VisibleRows()) {
        if (slot.m_Pos.m_nRow != 0)
            continue;
        COutlineNode *node = slot.m_Pos.m_pItem;
        QRect box = view.Geometry().SymbolRect(node, COutlineHit::kExpander);
        const QPoint centre = view.viewport()->mapToGlobal(box.center());
        out << ToQString(node->m_Item.m_Text.GetString())
                   .replace(QLatin1Char('\t'), QLatin1Char(' '))
            << '\t' << centre.x() << '\t' << centre.y() << '\t' << node->m_Item.m_nLevel << '\n';
    }
    out.flush();
    file.commit();
}
