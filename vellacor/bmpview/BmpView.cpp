#include "BmpView.h"

#include "AppStrings.h"
#include "BitmapPicture.h"
#include "BmpAskDlg.h"
#include "QtStrings.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardPaths>

namespace {

QString AppText(unsigned id)
{
    return ToQString(appstr::Get(id));
}

} // namespace

CBmpView::CBmpView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connect(
        QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CBmpView::PictureChanged);
}

bool CBmpView::LoadItem(const COutlineItem &item)
{
    const bool loaded = m_Picture.Load(item);
    Changed();
    return loaded;
}

bool CBmpView::CanPaste() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

bool CBmpView::Confirm(const QString &question)
{
    return QMessageBox::question(
               this, AppText(appstr::kPictureViewer), question, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

int CBmpView::AskOversize()
{
    CBmpAskDlg dialog(this);
    dialog.exec();
    return dialog.Choice();
}

void CBmpView::ShowError(const QString &text)
{
    QMessageBox::warning(this, AppText(appstr::kPictureErrorCaption), text);
}

QString CBmpView::AskImageFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QFileDialog::getOpenFileName(this, QString(), folder, AppText(appstr::kImageFilter));
}

bool CBmpView::OpenFile(const QString &path)
{
    CBitmapPicture picture;
    if (!picture.Load(path)) {
        ShowError(picture.ErrorText());
        return false;
    }
    if (!m_Picture.ReplaceFromFile(picture.Image())) {
        ShowError(AppText(appstr::kPictureConversionFailed));
        return false;
    }
    Changed();
    return true;
}

bool CBmpView::PasteImage(const QImage &image)
{
    if (image.isNull())
        return false;
    CDrawingPicture::EOversize choice = CDrawingPicture::kClip;
    if (CDrawingPicture::IsOversized(image.size())) {
        const int asked = AskOversize();
        if (asked != CDrawingPicture::kClip && asked != CDrawingPicture::kShrink)
            return false;
        choice = static_cast<CDrawingPicture::EOversize>(asked);
    }
    if (!m_Picture.Paste(image, choice)) {
        ShowError(AppText(appstr::kPictureConversionFailed));
        return false;
    }
    Changed();
    return true;
}

bool CBmpView::ConvertTo(int format)
{
    if (!m_Picture.HasPicture())
        return false;
    if (!m_Picture.ConvertTo(format)) {
        ShowError(AppText(appstr::kPictureConversionFailed));
        return false;
    }
    Changed();
    return true;
}

void CBmpView::OnEditCopy()
{
    if (CanCopy())
        QGuiApplication::clipboard()->setImage(m_Picture.Image());
}

void CBmpView::OnEditCut()
{
    if (!CanCopy())
        return;
    OnEditCopy();
    if (m_Picture.Clear())
        Changed();
}

void CBmpView::OnEditPaste()
{
    PasteImage(QGuiApplication::clipboard()->image());
}

void CBmpView::OnFileNew()
{
    if (m_Picture.HasPicture() && !Confirm(AppText(appstr::kClearPictureQuestion)))
        return;
    if (!m_Picture.Clear()) {
        // Not even a blank canvas: nothing of this program can go on.
        QApplication::exit(-1);
        return;
    }
    Changed();
}

void CBmpView::OnFileOpen()
{
    const QString path = AskImageFile();
    if (!path.isEmpty())
        OpenFile(path);
}

void CBmpView::OnFileDelete()
{
    if (!m_Picture.HasPicture() || !Confirm(AppText(appstr::kDeleteDrawingQuestion)))
        return;
    m_Picture.Delete();
    Changed();
    emit CloseRequested();
}

void CBmpView::Changed()
{
    UpdateScrollBars();
    viewport()->update();
    emit PictureChanged();
}

void CBmpView::UpdateScrollBars()
{
    const QSize content = m_Picture.Size().expandedTo(
                              QSize(CDrawingPicture::kMaxWidth, CDrawingPicture::kMaxHeight))
        + QSize(2 * kBorder, 2 * kBorder);
    const QSize room = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - room.width()));
    horizontalScrollBar()->setPageStep(room.width());
    verticalScrollBar()->setRange(0, std::max(0, content.height() - room.height()));
    verticalScrollBar()->setPageStep(room.height());
}

void CBmpView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Mid));
    painter.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    // The handheld's drawing area is white whatever the theme: it is the
    // paper the drawing lies on.
    painter.fillRect(
        QRect(kBorder, kBorder, CDrawingPicture::kMaxWidth, CDrawingPicture::kMaxHeight),
        Qt::white);
    if (m_Picture.HasPicture())
        painter.drawImage(QPoint(kBorder, kBorder), m_Picture.Image());
}

void CBmpView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CBmpView::scrollContentsBy(int, int)
{
    viewport()->update();
}
