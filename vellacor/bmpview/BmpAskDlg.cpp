#include "BmpAskDlg.h"

#include "AppStrings.h"
#include "DrawingPicture.h"
#include "QtStrings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CBmpAskDlg::CBmpAskDlg(QWidget *parent)
    : QDialog(parent)
    , m_nChoice(CDrawingPicture::kCancel)
{
    setWindowTitle(ToQString(appstr::Get(appstr::kPictureViewer)));
    auto *text = new QLabel(ToQString(appstr::Get(appstr::kClipboardTooBig)), this);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *clip = buttons->addButton(
        ToQString(appstr::Get(appstr::kClipButton)), QDialogButtonBox::AcceptRole);
    QPushButton *shrink = buttons->addButton(
        ToQString(appstr::Get(appstr::kShrinkButton)), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(clip, &QPushButton::clicked, this, [this] {
        m_nChoice = CDrawingPicture::kClip;
        accept();
    });
    connect(shrink, &QPushButton::clicked, this, [this] {
        m_nChoice = CDrawingPicture::kShrink;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
}
