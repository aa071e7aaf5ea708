#pragma once

// An outline view on a small outline, shown offscreen, for the widget tests.

#include "ViewTestSupport.h"
#include "ZumraView.h"

#include "kx_gen/OutlineDB.h"

#include <QTest>

#include <memory>

struct CViewFixture {
    COutlineMan m_Man;
    CRecordingHost m_Host;
    std::unique_ptr<CZumraView> m_pView;

    // Builds the outline (check boxes shown) and brings a view up on it
    // with `rows` rows of room.
    template <class View = CZumraView> void Open(const std::string &line, int rows = 8)
    {
        MakeOutline(m_Man, line);
        SetStoredMode(0);
        Show<View>(rows);
    }
    void SetStoredMode(std::uint8_t mode)
    {
        m_Man.GetDB()->GetPrivateOutlineHeaderPtr()->GetTags().setUInt8(
            kx_gen::CPrivateOutlineHeader::kShowCheckedTag, mode);
    }
    template <class View = CZumraView> void Show(int rows = 8)
    {
        m_pView = std::make_unique<View>(&m_Man, &m_Host);
        m_pView->resize(600, 100);
        m_pView->show();
        m_pView->OnInitialUpdate();
        // Room for exactly `rows` rows, whatever the scroll bars take.
        for (int i = 0; i < 3; ++i) {
            const int frame = m_pView->height() - m_pView->viewport()->height();
            m_pView->resize(600, rows * m_pView->Geometry().RowHeight() + frame);
            QCoreApplication::processEvents();
        }
    }
    CZumraView &View() { return *m_pView; }
    COutlineNode *Node(const char *text) { return NodeOf(m_Man, text); }
    // The item and row at the caret, as "text@row:offset".
    QString Caret() const
    {
        const COutlinePos &c = m_pView->GetCaret();
        return QStringLiteral("%1@%2:%3")
            .arg(QString::fromStdString(TextOf(c.m_pItem)))
            .arg(c.m_nRow)
            .arg(c.m_nChar);
    }
};
