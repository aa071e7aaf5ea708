#include "ZumraView.h"

#include "QtStrings.h"
#include "StorageGuard.h"

#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"

#include <QEvent>
#include <QMetaObject>

#include <exception>

namespace {

using kx_gen::CPrivateOutlineHeader;

// Check box modes as the outline stores them.
constexpr std::uint8_t kStoredShowAll = 0;
constexpr std::uint8_t kStoredHideBoxes = 1;
constexpr std::uint8_t kStoredHideChecked = 2;
// A stored headings mode above the deepest level: no heading command is in
// force.
constexpr std::uint8_t kNoHeadingLevel = 10;

bool IsInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::ShortcutOverride:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Storage errors met by the view's own file work go to the host's message.
class CHostMessages : public CMessageSink {
public:
    explicit CHostMessages(COutlineViewHost *host)
        : m_pHost(host)
    {
    }
    void ShowMessage(const kx_gen::_String &text) override
    {
        m_pHost->ShowMessage(ToQString(text));
    }

private:
    COutlineViewHost *m_pHost;
};

} // namespace

CZumraView::CZumraView(COutlineMan *man, COutlineViewHost *host, QWidget *parent)
    : COutlineEditView(man, host, parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

CZumraView::~CZumraView() = default;

// ---- The guard --------------------------------------------------------------------

bool CZumraView::Guarded(const std::function<void()> &work)
{
    if (m_bFailed)
        return false;
    try {
        work();
        return true;
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder owned(e);
        Fail(e ? ToQString(e->GetDescription()) : QStringLiteral("Unknown exception"));
    } catch (const std::exception &) {
        Fail(tr("Unknown exception - Please contact your program vendor"));
    } catch (...) {
        Fail(tr("Unknown exception - Please contact your program vendor"));
    }
    return false;
}

void CZumraView::Fail(const QString &text)
{
    if (m_bFailed)
        return;
    // The outline may be half-changed: from here on nothing reads or
    // changes it, but what the user wrote is kept in a copy of its own.
    m_bFailed = true;
    SetReady(false);
    SuppressCaret();
    if (m_pMan) {
        m_pMan->EnableNotify(false);
        m_pMan->SetNotify(nullptr, nullptr);
    }
    QString where;
    bool saved = false;
    try {
        saved = m_pHost->WriteRecoveryCopy(&where);
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder owned(e);
    } catch (const std::exception &) {
    }
    QString message = text;
    message += QStringLiteral("\n\n");
    if (saved) {
        message += tr("The outline window closes without saving. The outline as it was has been "
                      "written to a recovery copy:\n%1")
                       .arg(where);
    } else {
        message += tr("The outline window closes without saving. A recovery copy of the outline "
                      "could not be written.");
    }
    m_pHost->ShowMessage(message);
    m_pHost->SetModified(false);
    // Closing deletes this view: never from inside its own handler.
    COutlineViewHost *host = m_pHost;
    QMetaObject::invokeMethod(
        this, [host] { host->CloseWindow(); }, Qt::QueuedConnection);
    viewport()->update();
}

bool CZumraView::event(QEvent *e)
{
    if (m_bFailed) {
        // Input is work; the rest (the queued close among it) still runs.
        if (IsInputEvent(e->type()))
            return true;
        return COutlineEditView::event(e);
    }
    bool handled = true;
    Guarded([&] { handled = COutlineEditView::event(e); });
    return handled;
}

bool CZumraView::viewportEvent(QEvent *e)
{
    if (m_bFailed) {
        // Input is work; the rest (the queued close among it) still runs.
        if (IsInputEvent(e->type()))
            return true;
        return COutlineEditView::viewportEvent(e);
    }
    bool handled = true;
    Guarded([&] { handled = COutlineEditView::viewportEvent(e); });
    return handled;
}

// ---- Initial update and hints -----------------------------------------------------

void CZumraView::OnInitialUpdate()
{
    Guarded([this] { InitialUpdate(); });
}

void CZumraView::InitialUpdate()
{
    if (!m_pMan || !m_pMan->IsOpen()) {
        m_pHost->SetModified(false);
        COutlineViewHost *host = m_pHost;
        QMetaObject::invokeMethod(
            this, [host] { host->CloseWindow(); }, Qt::QueuedConnection);
        return;
    }
    InstallNotify();
    m_pHost->PrepareFrame();

    kx_gen::COutlineDB *db = m_pMan->GetDB();
    CPrivateOutlineHeader *header = db->GetPrivateOutlineHeaderPtr();
    std::uint8_t mode = kStoredShowAll;
    if (header->GetTags().getUInt8(CPrivateOutlineHeader::kShowCheckedTag, mode) < 0)
        mode = kStoredShowAll;
    if (mode > kStoredHideChecked) {
        mode = kStoredHideChecked;
        header->GetTags().setUInt8(CPrivateOutlineHeader::kShowCheckedTag, mode);
    }
    // An outline made by New has the header's defaults, which are not a
    // choice of the user: it starts with check boxes shown.
    if (m_pHost->IsJustCreated())
        mode = kStoredShowAll;
    m_nCheckMode = mode == kStoredHideBoxes
        ? kHideCheckBoxes
        : (mode == kStoredHideChecked ? kHideCheckedItems : kShowCheckBoxes);
    m_pMan->SetShowChecked(mode != kStoredHideChecked);
    m_Geometry.SetShowCheckBoxes(mode != kStoredHideBoxes);
    const std::uint8_t heading = db->GetShowHeadingsMode();
    m_nHeadingLevel = heading > 9 ? 9 : heading;
    m_bCustomExpansion = heading > 9;

    kx_gen::LOGFONT font;
    kx_gen::COLORREF color = 0;
    db->GetOutlineFont(font, color);
    SetOutlineFont(font, color);
    ReadNumbering();
    m_pMan->Renumber();
    RecalcLayout();

    COutlinePos caret;
    COutlinePos top;
    if (m_pHost->IsJustCreated()) {
        if (COutlineNode *first = m_pMan->GetFirstVisible())
            caret = top = COutlinePos(0, 0, first);
    } else {
        if (!m_pMan->GetFirstVisible()) {
            COutlineNode *node = m_pMan->EnsureItem(nullptr);
            if (!node) {
                m_pHost->SetModified(false);
                COutlineViewHost *host = m_pHost;
                QMetaObject::invokeMethod(
                    this, [host] { host->CloseWindow(); }, Qt::QueuedConnection);
                return;
            }
            WrapItem(node, true);
            m_Geometry.InvalidateRows();
        }
        const int last = std::max(0, m_Geometry.TotalRows() - 1);
        const auto clampRow = [last](std::uint32_t stored) {
            return static_cast<int>(
                std::min<std::uint32_t>(stored, static_cast<std::uint32_t>(last)));
        };
        caret = m_Geometry.RowAt(clampRow(db->GetSelectedIndex()));
        top = m_Geometry.RowAt(clampRow(db->GetTopIndex()));
    }
    if (top.IsSet())
        m_Geometry.SetTop(top);
    SetReady(true);
    SetCaret(caret);
    // The stored top row wins over the caret: the outline comes back as
    // it was left, even when the caret lies outside the window now.
    UpdateScrollBars();
    UpdateCaret();
    viewport()->update();
}

void CZumraView::OnUpdate(int hintKind)
{
    Guarded([this, hintKind] {
        if (!IsReady())
            return;
        switch (hintKind) {
        case kHintRecalcAll:
            m_Geometry.Layout().m_nWidth = 0;
            OutlineChanged();
            break;
        case kHintCabinetReset:
            if (!m_pHost->IsFilingCabinet())
                break;
            SuppressCaret();
            m_Geometry.InvalidateRows();
            if (COutlineNode *first = m_pMan->GetFirstVisible()) {
                const COutlinePos start(0, 0, first);
                m_Geometry.SetTop(start);
                SetCaret(start);
            }
            m_Geometry.Layout().m_nWidth = 0;
            UpdateScrollBars();
            EnsureVisible(m_Caret);
            ReleaseCaret();
            break;
        case kHintCabinetRecalc:
            if (m_pHost->IsFilingCabinet()) {
                m_Geometry.Layout().m_nWidth = 0;
                OutlineChanged();
            }
            break;
        default:
            break;
        }
        viewport()->repaint();
    });
}

bool CZumraView::StoreViewState()
{
    if (m_bFailed || !m_pMan || !m_pMan->IsOpen())
        return false;
    CHostMessages messages(m_pHost);
    return RunStorageOperation(&messages, [this] {
        kx_gen::COutlineDB *db = m_pMan->GetDB();
        const int caretRow = std::max(0, m_Geometry.RowNumber(m_Caret));
        db->SetSelectedIndex(static_cast<std::uint32_t>(caretRow));
        db->SetTopIndex(static_cast<std::uint32_t>(std::max(0, m_Geometry.TopRow())));
        const std::uint8_t mode = m_nCheckMode == kHideCheckBoxes
            ? kStoredHideBoxes
            : (m_nCheckMode == kHideCheckedItems ? kStoredHideChecked : kStoredShowAll);
        CPrivateOutlineHeader *header = db->GetPrivateOutlineHeaderPtr();
        if (header->GetTags().setUInt8(CPrivateOutlineHeader::kShowCheckedTag, mode) < 0)
            throw new kx_gen::CException("The view settings could not be stored.");
        db->SetShowHeadingsMode(
            m_bCustomExpansion ? kNoHeadingLevel : static_cast<std::uint8_t>(m_nHeadingLevel));
    });
}

void CZumraView::ApplyCheckMode(int mode)
{
    if (mode != kShowCheckBoxes && mode != kHideCheckBoxes && mode != kHideCheckedItems)
        return;
    m_nCheckMode = mode;
    m_pMan->SetShowChecked(mode != kHideCheckedItems);
    m_pMan->Renumber();
    m_Geometry.SetShowCheckBoxes(mode != kHideCheckBoxes);
    m_Geometry.UnsetTop();
    if (m_Caret.IsSet() && !m_pMan->IsVisible(m_Caret.m_pItem)) {
        COutlineNode *prev = m_pMan->GetPrevVisible(m_Caret.m_pItem);
        if (prev) {
            const int last = COutlineGeometry::ItemRows(prev) - 1;
            m_Caret = COutlinePos(COutlineGeometry::RowLength(prev, last), last, prev);
        } else {
            m_Caret.Unset();
        }
        m_Anchor = m_SelStart = m_SelEnd = m_Caret;
    }
    OutlineChanged();
    if (m_Caret.IsSet())
        SetCaret(m_Caret);
    EnsureVisible(m_Caret);
}
