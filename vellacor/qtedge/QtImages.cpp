#include "QtImages.h"

#include "kx_gen/DeviceBitmap.h"
#include "kx_gen/DibUtil.h"

#include <QPainter>

#include <cstring>

QImage DibToQImage(kx_gen::HMEM dib)
{
    if (!dib || !kx_gen::IsValidDIB(dib))
        return QImage();
    const kx_gen::CDeviceBitmap bitmap = kx_gen::DIBToBitmap(dib, nullptr);
    if (bitmap.IsNull())
        return QImage();
    // The device bitmap is already 32-bit top-down; one copy detaches it.
    const QImage view(reinterpret_cast<const uchar *>(bitmap.Bits()), bitmap.Width(),
        bitmap.Height(), static_cast<qsizetype>(bitmap.BytesPerLine()), QImage::Format_RGB32);
    return view.copy();
}

kx_gen::HMEM QImageToDib(const QImage &image)
{
    if (image.isNull() || image.width() > kx_gen::CDeviceBitmap::kMaxDimension
        || image.height() > kx_gen::CDeviceBitmap::kMaxDimension)
        return nullptr;
    kx_gen::CDeviceBitmap bitmap;
    if (!bitmap.Create(image.width(), image.height()))
        return nullptr;
    QImage flat(reinterpret_cast<uchar *>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
        static_cast<qsizetype>(bitmap.BytesPerLine()), QImage::Format_RGB32);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    return kx_gen::BitmapToDIB(bitmap, nullptr);
}
