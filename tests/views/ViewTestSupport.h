#pragma once

// Shared helpers of the view tests: outlines built from one line of text, a
// geometry with fixed character widths, and a host that records what the
// view asked of it.

#include "OutlineGeometry.h"
#include "OutlineTestSupport.h"
#include "OutlineViewHost.h"

#include <QString>
#include <QStringList>
#include <functional>

// An open outline whose items are built from `line` (see BuildTree) and
// numbered.
inline void MakeOutline(COutlineMan &man, const std::string &line)
{
    man.NewOutline(false);
    BuildTree(man, line);
    man.Renumber();
}

// Every character 8 pixels wide, tab stops every 64, rows of 19 pixels
// (a 14-pixel font).
inline void UseFixedFont(COutlineGeometry &g, int height = 14, int leading = 0)
{
    g.Font().SetFixedWidths(8, 64);
    g.Font().m_Metrics.m_nHeight = height;
    g.Font().m_Metrics.m_nAscent = height - 3;
    g.Font().m_Metrics.m_nDescent = 3;
    g.Font().m_Metrics.m_nExternalLeading = leading;
    g.SetMeasureDC(nullptr);
    g.FontChanged();
}

// The centre of a rectangle, for clicks.
inline QPoint Centre(const QRect &r)
{
    return QPoint(r.left() + r.width() / 2, r.top() + r.height() / 2);
}

class CRecordingHost : public COutlineViewHost {
public:
    bool IsFilingCabinet() const override { return m_bCabinet; }
    bool IsTemplate() const override { return false; }
    bool IsConflict() const override { return false; }
    bool IsJustCreated() const override { return m_bJustCreated; }
    void SetModified(bool modified) override
    {
        m_Calls << QStringLiteral("SetModified(%1)").arg(modified ? 1 : 0);
        m_bModified = modified;
    }
    void PrepareFrame() override { m_Calls << QStringLiteral("PrepareFrame"); }
    bool WriteRecoveryCopy(QString *where) override
    {
        m_Calls << QStringLiteral("WriteRecoveryCopy");
        if (m_Recover && m_Recover(where))
            return true;
        return false;
    }
    void ShowMessage(const QString &text) override
    {
        m_Calls << QStringLiteral("ShowMessage");
        m_Messages << text;
    }
    void CloseWindow() override { m_Calls << QStringLiteral("CloseWindow"); }
    void CaretMoved() override { ++m_nCaretMoves; }

    bool m_bCabinet = false;
    bool m_bJustCreated = false;
    bool m_bModified = true;
    int m_nCaretMoves = 0;
    std::function<bool(QString *)> m_Recover;
    QStringList m_Calls;
    QStringList m_Messages;
};
