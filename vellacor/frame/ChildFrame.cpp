#include "ChildFrame.h"

#include "AppContext.h"
#include "DocTitleBar.h"
#include "OutlineDoc.h"
#include "QtStrings.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CChildFrame::CChildFrame(COutlineDoc &document, CAppContext &context, QWidget *parent)
    : QWidget(parent)
    , m_Doc(document)
    , m_Context(context)
    , m_pTitleBar(new CDocTitleBar(document, context, this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pTitleBar);

    // Until the outline view joins, the outline shows as indented text.
    m_pText = new QPlainTextEdit(this);
    m_pText->setReadOnly(true);
    m_pText->setFrameShape(QFrame::NoFrame);
    m_pView = m_pText;
    layout->addWidget(m_pView, 1);
    setFocusProxy(m_pView);

    connect(m_pTitleBar, &CDocTitleBar::titleEntered, this, [this] { m_pView->setFocus(); });
    connect(m_pTitleBar, &CDocTitleBar::editCategoriesRequested, this,
        &CChildFrame::editCategoriesRequested);
    connect(m_pTitleBar, &CDocTitleBar::characterRefused, this, &CChildFrame::characterRefused);
    document.SetFrame(this);
}

CChildFrame::~CChildFrame()
{
    if (m_Doc.GetFrame() == this)
        m_Doc.SetFrame(nullptr);
}

void CChildFrame::InitialUpdate()
{
    m_pTitleBar->Setup();
    ShowOutline();
    TitleChanged();
}

void CChildFrame::RefreshCategories()
{
    m_pTitleBar->RefreshCategories();
}

void CChildFrame::ShowOutline()
{
    const COutlineMan &outline = m_Doc.GetOutline();
    QString text;
    const COutlineTree &tree = outline.GetTree();
    for (const COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        const COutlineItem &item = n->m_Item;
        QString line = QString(item.m_nLevel * 4, QLatin1Char(' '));
        line += item.m_bChecked ? QStringLiteral("[x] ") : QString();
        for (int p = 0; p < item.m_Text.GetParaCount(); ++p) {
            if (p > 0)
                line += QLatin1Char(' ');
            const CTextLine &para = item.m_Text.GetPara(p);
            line += ToQString(para.GetData(), para.GetLength());
        }
        text += line + QLatin1Char('\n');
    }
    m_pText->setPlainText(text);
}

void CChildFrame::StoreViewState() { }

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

void CChildFrame::UpdateViews(int /*hint*/)
{
    ShowOutline();
}

int CChildFrame::StackingOrder() const
{
    if (!m_pSubWindow || !m_pSubWindow->mdiArea())
        return 0;
    const QList<QMdiSubWindow *> windows
        = m_pSubWindow->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    return static_cast<int>(windows.indexOf(m_pSubWindow));
}
