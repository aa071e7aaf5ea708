#include "DocTitleBar.h"

#include "AppContext.h"
#include "AppText.h"
#include "ComboCat.h"
#include "OutlineDoc.h"
#include "StorageGuard.h"
#include "User.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/OutlineDB.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

CDocTitleEdit::CDocTitleEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("1025"));
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setMaxLength(255);
}

CLockBtn::CLockBtn(QWidget *parent)
    : QToolButton(parent)
{
    setCheckable(true);
    setAutoRaise(true);
    setToolTip(AppText(appstr::kPrivateOutline));
    setAccessibleName(AppText(appstr::kPrivateOutline));
}

QSize CLockBtn::sizeHint() const
{
    const int side = fontMetrics().height() + 8;
    return QSize(side, side);
}

void CLockBtn::paintEvent(QPaintEvent *event)
{
    QToolButton::paintEvent(event);
    // Drawn as vectors in the palette's colours: crisp at any scale, right
    // in a dark theme.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(5, 4, -5, -4);
    const QColor ink = palette().color(
        isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    const qreal w = r.width();
    const QRectF body(r.left(), r.top() + r.height() * 0.45, w, r.height() * 0.55);
    QPainterPath shackle;
    const qreal sx = body.left() + w * 0.2;
    const qreal sw = w * 0.6;
    shackle.moveTo(sx, body.top());
    shackle.lineTo(sx, r.top() + sw / 2);
    shackle.arcTo(QRectF(sx, r.top(), sw, sw), 180, -180);
    // Open: the shackle's right leg stops short of the body.
    shackle.lineTo(sx + sw, isChecked() ? body.top() : r.top() + sw * 0.7);
    p.setPen(QPen(ink, std::max<qreal>(1.4, w / 8), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? ink : palette().color(QPalette::Mid));
    p.drawRoundedRect(body, 1.5, 1.5);
}

CDocTitleBar::CDocTitleBar(COutlineDoc &document, CAppContext &context, QWidget *parent)
    : QWidget(parent)
    , m_Doc(document)
    , m_Context(context)
    , m_pTitle(new CDocTitleEdit(this))
    , m_pTitleLabel(new QLabel(AppText(appstr::kTitleLabel), this))
    , m_pCategoryLabel(new QLabel(AppText(appstr::kCategoryLabel), this))
    , m_pCategory(new CComboCat(this))
    , m_pLock(new CLockBtn(this))
{
    setObjectName(QStringLiteral("200"));
    m_pTitleLabel->setObjectName(QStringLiteral("1030"));
    m_pCategoryLabel->setObjectName(QStringLiteral("1028"));
    m_pTitleLabel->setBuddy(m_pTitle);
    m_pCategoryLabel->setBuddy(m_pCategory);

    // Laid out from the right: the category at the edge, the title taking
    // what is left.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(m_pLock);
    layout->addWidget(m_pTitleLabel);
    layout->addWidget(m_pTitle, 1);
    layout->addSpacing(8);
    layout->addWidget(m_pCategoryLabel);
    layout->addWidget(m_pCategory);
    m_pTitle->setMinimumWidth(120);
    setMinimumWidth(360);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    connect(m_pTitle, &QLineEdit::textEdited, this, &CDocTitleBar::OnTitleEdited);
    connect(m_pTitle, &QLineEdit::returnPressed, this, &CDocTitleBar::titleEntered);
    connect(m_pCategory, &CComboCat::categoryChosen, this,
        [this](const QString &name) { m_Doc.SetCategory(ToKxString(name)); });
    connect(m_pCategory, &CComboCat::editCategoriesRequested, this,
        &CDocTitleBar::editCategoriesRequested);
    connect(m_pLock, &QToolButton::toggled, this, [this](bool locked) {
        kx_gen::COutlineDB *db = m_Doc.GetOutline().GetDB();
        if (!db || m_Doc.m_bConflict)
            return;
        bool current = false;
        RunStorageOperation(&m_Context.Messages(), [&] { current = db->GetPrivate(); });
        if (current == locked)
            return;
        if (RunStorageOperation(&m_Context.Messages(), [&] {
                db->SetPrivate(locked);
                db->SetOutlineChanged(true);
            }))
            m_Doc.SetModifiedFlag(true);
    });
}

void CDocTitleBar::ShowTitle()
{
    const QString title = ToQString(m_Doc.GetTitle());
    if (m_pTitle->text() != title)
        m_pTitle->setText(title);
    m_strLastGood = title;
}

void CDocTitleBar::Setup()
{
    ShowTitle();
    bool isPrivate = false;
    if (kx_gen::COutlineDB *db = m_Doc.GetOutline().GetDB())
        RunStorageOperation(&m_Context.Messages(), [&] { isPrivate = db->GetPrivate(); });
    {
        const QSignalBlocker blocker(m_pLock);
        m_pLock->setChecked(isPrivate);
    }
    const bool cabinet = m_Doc.m_bFilingCabinet;
    const bool isTemplate = m_Doc.m_bTemplate;
    m_pCategory->setVisible(!cabinet && !isTemplate);
    m_pCategoryLabel->setVisible(!cabinet && !isTemplate);
    m_pLock->setVisible(!cabinet);
    m_pTitleLabel->setText(AppText(isTemplate ? appstr::kTemplateTitleLabel : appstr::kTitleLabel));
    m_pTitle->setReadOnly(cabinet || m_Doc.m_bConflict);
    m_pCategory->setEnabled(!m_Doc.m_bConflict);
    m_pLock->setEnabled(!m_Doc.m_bConflict);
    RefreshCategories();
}

void CDocTitleBar::RefreshCategories()
{
    CUser *user = m_Context.ActiveUser();
    kx_gen::CCategoryDB *file = user ? user->GetCategories() : nullptr;
    CCategoryList &list = m_Context.Categories();
    // A category that neither the file nor the list knows joins the list,
    // so the box can show it.
    const kx_gen::_String name = m_Doc.GetOutline().GetCategoryName();
    if (!name.IsEmpty() && !(file && file->FindCategory(name.c_str())) && !list.Contains(name))
        list.AddName(name);
    m_pCategory->SetSources(file, &list);
    m_pCategory->Fill(false);
    SelectOutlineCategory();
}

void CDocTitleBar::SelectOutlineCategory()
{
    if (m_pCategory->SelectName(m_Doc.GetOutline().GetCategoryName()) < 0)
        m_pCategory->SelectName(kx_gen::CCategoryDB::getUnfiledCategoryName());
}

void CDocTitleBar::OnTitleEdited(const QString &text)
{
    const QString refused = FirstUnsupportedCharacter(text);
    if (!refused.isEmpty()) {
        // Refused where it is typed, never silently lost later.
        const int cursor = std::max(0, m_pTitle->cursorPosition() - int(refused.size()));
        m_pTitle->setText(m_strLastGood);
        m_pTitle->setCursorPosition(std::min(cursor, int(m_strLastGood.size())));
        QApplication::beep();
        const QString message = AppText(appstr::kUnsupportedCharacter).arg(refused);
        QToolTip::showText(m_pTitle->mapToGlobal(QPoint(0, m_pTitle->height())), message, m_pTitle);
        emit characterRefused(refused);
        return;
    }
    m_strLastGood = text;
    m_Doc.SetOutlineTitle(ToKxString(text));
}
