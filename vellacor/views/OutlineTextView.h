#pragma once

#include "OutlineGeometry.h"
#include "OutlinePainter.h"

#include "kx_gen/WinTypes.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include <memory>
#include <unordered_set>
#include <vector>

class CQtMeasureDC;

// The scrolling, self-painted surface of an outline window: the visible
// items as rows with their symbols, labels and wrapped texts, the caret and
// the selection, and the scroll bars. Geometry lives in COutlineGeometry,
// painting in PaintOutlineRows; this class keeps the view's state, follows
// the outline manager's notifications and turns Qt's events into it.
//
// Until the view is ready (the end of the initial update of the concrete
// view) it paints nothing and ignores its commands.
class COutlineTextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // `man` stays the caller's and must outlive the view.
    explicit COutlineTextView(COutlineMan *man, QWidget *parent = nullptr);
    ~COutlineTextView() override;

    COutlineMan *GetMan() const { return m_pMan; }
    COutlineGeometry &Geometry() { return m_Geometry; }
    const COutlineGeometry &Geometry() const { return m_Geometry; }
    const COutlineLayout &Layout() const { return m_Geometry.Layout(); }
    bool IsReady() const { return m_bReady; }

    // ---- Font, colours, numbering ------------------------------------------

    // The outline font and its text colour, as the outline stores them.
    void SetOutlineFont(const kx_gen::LOGFONT &font, kx_gen::COLORREF color);
    const QFont &GetOutlineFont() const { return m_qFont; }
    // Takes the numbering styles and the divider from the manager; styles
    // out of range are replaced and written back.
    void ReadNumbering();
    // ReadNumbering, then the levels measured and the rows drawn again.
    void NumberingRead();
    void SetShowCheckBoxes(bool show);
    // The view's colour table: 0, 1 and 5 the window background, 2 the
    // window text, 3 the scroll bars, 4 the highlight, then fixed colours.
    // Index 5 paints selected text and follows the palette's highlighted
    // text, so that dark themes keep their contrast.
    QColor GetColor(int index) const;
    // The colour of item text: the outline's own, unless it would vanish
    // on the palette's background.
    QColor TextColor() const;

    // ---- Layout ------------------------------------------------------------

    int RecalcLayout();
    void WrapItem(COutlineNode *node, bool all) { m_Geometry.WrapItem(node, all); }
    void WrapSubtree(COutlineNode *node, bool onlyDirtyLevels)
    {
        m_Geometry.WrapSubtree(node, onlyDirtyLevels);
    }
    // After items were shown, hidden, added or removed outside the
    // notifications (expanding, collapsing, check box modes).
    void OutlineChanged();
    void UpdateScrollBars();

    // ---- Positions ---------------------------------------------------------

    COutlineHit HitTest(QPoint point) const { return m_Geometry.HitTest(point); }
    COutlinePos PosFromPoint(QPoint point) const { return m_Geometry.PosFromPoint(point); }
    bool PointFromPos(const COutlinePos &pos, QPoint *point) const
    {
        return m_Geometry.PointFromPos(pos, point);
    }
    int RowsBetween(const COutlinePos &from, const COutlinePos &to) const
    {
        return m_Geometry.RowsBetween(from, to);
    }

    // ---- Caret and selection -----------------------------------------------

    const COutlinePos &GetCaret() const { return m_Caret; }
    const COutlinePos &GetAnchor() const { return m_Anchor; }
    const COutlinePos &GetSelStart() const { return m_SelStart; }
    const COutlinePos &GetSelEnd() const { return m_SelEnd; }
    bool HasSelection() const { return m_SelStart != m_SelEnd; }
    bool IsBlockSelection() const { return m_SelStart.m_pItem != m_SelEnd.m_pItem; }
    // The items of a block selection in display order.
    const std::vector<COutlineNode *> &GetSelItems() const { return m_SelItems; }
    // Moves the caret; with `extend` the anchor stays and the selection
    // runs from it to the caret, else everything collapses onto the caret.
    // A position of an item that is not visible is refused.
    void SetCaret(const COutlinePos &pos, bool extend = false);
    // Selects from `anchor` to `caret`; between two items that is a block
    // of whole items.
    void SetSelection(const COutlinePos &anchor, const COutlinePos &caret);
    void UpdateCaret();
    void SuppressCaret();
    void ReleaseCaret();
    void SetShowSelectionAlways(bool show);
    // "Ln %d, Col %d" for the status bar: the caret's row among all rows
    // and its offset, both from 1.
    QString GetStatusText() const;
    // Tells the view's host that the caret moved (for the status bar).
    virtual void CaretMoved() { }

    // ---- Caret movement (OutlineCaretMoves.cpp) -------------------------------

    // Carries out a caret movement command of the key map (character, word,
    // row, page, row start and end, outline start and end, with or without
    // extending, and the two scroll commands); false for any other id.
    bool MoveCaretCommand(int id);
    // The position one word to the left / right, in paragraph terms: a word
    // is a run of letters, digits and '_', or a run of other characters
    // that are not white space. Crosses into the neighbouring item.
    COutlinePos WordLeft(const COutlinePos &pos) const;
    COutlinePos WordRight(const COutlinePos &pos) const;
    // Selects the word around a position.
    void SelectWordAt(const COutlinePos &pos);
    // The position at the end of an item's last row.
    static COutlinePos ItemEnd(COutlineNode *node);

    // ---- Mouse selection (OutlineTextMouse.cpp) -----------------------------------

    // Whether the left button is held down in the text.
    bool IsSelecting() const { return m_bSelecting; }

    // ---- Scrolling -----------------------------------------------------------

    COutlinePos GetTop() const { return m_Geometry.Top(); }
    int GetTopRow() const { return m_Geometry.TopRow(); }
    // Scrolls so that the position's row and character are in view.
    void EnsureVisible(const COutlinePos &pos);
    void ScrollByRows(int rows);
    void ScrollByPages(int pages);
    void ScrollToRow(int row);
    void ScrollHorizontally(int pixels);
    int HorizontalLineStep() const;

    // ---- Painting ------------------------------------------------------------

    // The options the screen paints with (printing and drag pixmaps start
    // from them and change what differs).
    COutlinePaintOptions PaintOptions() const;
    // Paints the view's visible rows onto `painter` at its origin, as the
    // screen shows them.
    void Render(QPainter &painter);

protected:
    // Installs the notification handler on the manager and switches
    // notifications on.
    void InstallNotify();
    // Reacts to one notification of the manager.
    virtual void OnNotify(int code, COutlineNode *node, int value);
    // Moves the caret off an item that leaves the display.
    void MoveCaretOff(COutlineNode *node);
    void SetReady(bool ready);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // The text part of a left button press, release and move.
    void TextPress(QMouseEvent *event);
    void TextRelease(QMouseEvent *event);
    void EndSelecting();
    void SelectTimerTick();
    // The position for a point: the character hit, else the nearest one.
    COutlinePos PosAt(QPoint point) const;

    COutlineMan *m_pMan;
    COutlineGeometry m_Geometry;
    QFont m_qFont;
    std::unique_ptr<CQtMeasureDC> m_pDC;
    kx_gen::COLORREF m_crText = 0;
    bool m_bHasStoredColor = false;

    COutlinePos m_Caret;
    COutlinePos m_Anchor;
    COutlinePos m_SelStart;
    COutlinePos m_SelEnd;
    std::vector<COutlineNode *> m_SelItems;
    std::unordered_set<const COutlineNode *> m_SelSet;

    bool m_bReady = false;
    bool m_bHasFocus = false;
    bool m_bCaretHidden = false;
    bool m_bShowSelectionAlways = false;
    // The show-checked flag taken when printing began; false before any.
    bool m_bPrintShowChecked = false;

    // Mouse selection: the button is down in the text and the selection
    // follows the mouse; it extends by whole words; the press fell inside
    // the selection (the release places the caret there).
    bool m_bSelecting = false;
    bool m_bWordSelect = false;
    bool m_bClickInSelection = false;
    QPoint m_ptClick;
    // The word that a word selection started from.
    COutlinePos m_WordStart;
    COutlinePos m_WordEnd;
    // Scrolls while the mouse is past the edge during a selection.
    QBasicTimer m_SelectTimer;
    static constexpr int kSelectTimerPeriod = 300;

private:
    static void NotifyThunk(void *param, int code, COutlineNode *node, int value);
    // A position of the row that holds `pos` in display order, normalised.
    bool IsBeforePos(const COutlinePos &a, const COutlinePos &b) const;
    void CollectSelItems();
    void SyncScrollBars();
    void RepaintCaret();
    QRect CaretRect() const;
    COutlineNode *Replacement(COutlineNode *node) const;

    bool m_bCaretShown = false;
    bool m_bCaretBlinkOn = true;
    bool m_bSyncingBars = false;
    QBasicTimer m_BlinkTimer;
    // The caret's row number for the status bar, with the caret item and
    // row and the row generation it was counted for.
    mutable int m_nLineCache = -1;
    mutable COutlinePos m_LineCachePos;
    mutable unsigned m_nLineCacheGeneration = 0;
};
