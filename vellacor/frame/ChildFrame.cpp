#include "ChildFrame.h"

#include "AppContext.h"
#include "DocTitleBar.h"
#include "DrawingCommands.h"
#include "ItemDialogs.h"
#include "OutlineDoc.h"
#include "OutlineServices.h"
#include "QtStrings.h"
#include "RecoveryCopy.h"
#include "User.h"
#include "ZumraView.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QVBoxLayout>

CChildFrame::CChildFrame(COutlineDoc &document, CAppContext &context, QWidget *parent)
    : QWidget(parent)
    , m_Doc(document)
    , m_Context(context)
    , m_pTitleBar(new CDocTitleBar(document, context, this))
{
    m_bJustCreated = document.GetPathName().IsEmpty() && document.GetOutline().IsNewDB();
    m_pView = new CZumraView(&document.GetOutline(), this, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pTitleBar);
    layout->addWidget(m_pView, 1);
    setFocusProxy(m_pView);

    connect(m_pTitleBar, &CDocTitleBar::titleEntered, this, [this] { m_pView->setFocus(); });
    connect(m_pTitleBar, &CDocTitleBar::editCategoriesRequested, this,
        &CChildFrame::editCategoriesRequested);
    connect(m_pTitleBar, &CDocTitleBar::characterRefused, this, &CChildFrame::characterRefused);
    connect(m_pView, &CZumraView::overwriteChanged, this, &CChildFrame::overwriteChanged);
    document.SetFrame(this);
}

CChildFrame::~CChildFrame()
{
    if (!m_bDocumentGone && m_Doc.GetFrame() == this)
        m_Doc.SetFrame(nullptr);
}

void CChildFrame::DocumentClosing()
{
    if (m_pView)
        m_pView->ReleaseOutline();
    if (m_Doc.GetFrame() == this)
        m_Doc.SetFrame(nullptr);
    m_bDocumentGone = true;
}

void CChildFrame::InitialUpdate()
{
    // The view prepares the title bar first (PrepareFrame), then itself.
    m_pView->OnInitialUpdate();
    m_bJustCreated = false;
    TitleChanged();
}

void CChildFrame::RefreshCategories()
{
    m_pTitleBar->RefreshCategories();
}

void CChildFrame::StoreViewState()
{
    m_pView->StoreViewState();
}

void CChildFrame::TitleChanged()
{
    m_pTitleBar->ShowTitle();
    const QString title = ToQString(m_Doc.GetTitle());
    setWindowTitle(title + QStringLiteral("[*]"));
    setWindowModified(m_Doc.IsModified());
    if (m_pSubWindow) {
        m_pSubWindow->setWindowTitle(windowTitle());
        m_pSubWindow->setWindowModified(m_Doc.IsModified());
    }
    emit titleChanged();
}

void CChildFrame::Activate()
{
    if (m_pSubWindow && m_pSubWindow->mdiArea()) {
        m_pSubWindow->show();
        m_pSubWindow->mdiArea()->setActiveSubWindow(m_pSubWindow);
    }
}

void CChildFrame::UpdateViews(int hint)
{
    m_pView->OnUpdate(hint);
}

int CChildFrame::StackingOrder() const
{
    if (!m_pSubWindow || !m_pSubWindow->mdiArea())
        return 0;
    const QList<QMdiSubWindow *> windows
        = m_pSubWindow->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    return static_cast<int>(windows.indexOf(m_pSubWindow));
}

// ---- The view's host ---------------------------------------------------------

bool CChildFrame::IsFilingCabinet() const
{
    return m_Doc.m_bFilingCabinet;
}

bool CChildFrame::IsTemplate() const
{
    return m_Doc.m_bTemplate;
}

bool CChildFrame::IsConflict() const
{
    return m_Doc.m_bConflict;
}

bool CChildFrame::IsJustCreated() const
{
    return m_bJustCreated;
}

void CChildFrame::SetModified(bool modified)
{
    m_Doc.SetModifiedFlag(modified);
}

void CChildFrame::PrepareFrame()
{
    m_pTitleBar->Setup();
}

bool CChildFrame::WriteRecoveryCopy(QString *where)
{
    const QString path
        = RecoveryCopyPath(PathToQString(m_Doc.GetPathName()), ToQString(m_Doc.GetTitle()));
    // The program's own recovery copy too, which the next start offers
    // back; the one beside the file is what the user is told about.
    m_Context.Recovery().Keep(m_Doc);
    if (!::WriteRecoveryCopy(m_Doc.GetOutline(), path))
        return false;
    if (where)
        *where = path;
    return true;
}

void CChildFrame::ShowMessage(const QString &text)
{
    QMessageBox::warning(this, windowTitle().remove(QStringLiteral("[*]")), text);
}

void CChildFrame::CloseWindow()
{
    // The outline may be half-changed: the window goes without saving.
    m_Context.Documents().RemoveDocument(&m_Doc);
}

void CChildFrame::CaretMoved()
{
    emit caretMoved(m_pView->GetStatusText());
}

void CChildFrame::CharacterRefused(const QString &character)
{
    emit characterRefused(character);
}

bool CChildFrame::EditNote(const QString &itemText, QString *note)
{
    CNoteDlg dialog(itemText, *note, this);
    if (dialog.exec() != QDialog::Accepted || !dialog.isChanged())
        return false;
    *note = dialog.note();
    return true;
}

bool CChildFrame::PickDate(QString *text)
{
    CDateDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *text = dialog.chosen();
    return true;
}

bool CChildFrame::PickTime(QString *text)
{
    CTimeDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *text = dialog.chosen();
    return true;
}

bool CChildFrame::PasteInSingleNode() const
{
    const COutlineSettings *settings = m_Context.OutlineSettings();
    return settings && settings->GetPasteInSingleNode();
}

COutlineMan *CChildFrame::FilingCabinet()
{
    CUser *user = m_Context.Users().GetActiveUser();
    COutlineDoc *cabinet = user ? user->GetFilingCabinet() : nullptr;
    return cabinet && cabinet != &m_Doc ? &cabinet->GetOutline() : nullptr;
}

void CChildFrame::FilingCabinetChanged()
{
    CUser *user = m_Context.Users().GetActiveUser();
    COutlineDoc *cabinet = user ? user->GetFilingCabinet() : nullptr;
    if (!cabinet)
        return;
    cabinet->SetModifiedFlag(true);
    cabinet->UpdateAllViews(COutlineDoc::kHintAppended);
}

CZumraView *FilingCabinetView(CAppContext &context)
{
    CUser *user = context.Users().GetActiveUser();
    COutlineDoc *cabinet = user ? user->GetFilingCabinet() : nullptr;
    auto *frame = cabinet ? dynamic_cast<CChildFrame *>(cabinet->GetFrame()) : nullptr;
    return frame ? frame->view() : nullptr;
}

kx_gen::CAppRegistry *CChildFrame::Settings()
{
    return &m_Context.Settings();
}

void CChildFrame::StatusMessage(const QString &text)
{
    emit statusMessage(text);
}

void CChildFrame::ActivateWindow()
{
    // A drag over a window behind the others brings it forward.
    if (m_pSubWindow && m_pSubWindow->mdiArea()
        && m_pSubWindow->mdiArea()->activeSubWindow() != m_pSubWindow)
        m_pSubWindow->mdiArea()->setActiveSubWindow(m_pSubWindow);
}

void CChildFrame::OpenDrawing(COutlineNode *node)
{
    // The drawing editor writes its result back into the item when it closes.
    RunEditDrawing(*m_pView, window(), node);
}
