#include "BitmapPicture.h"

#include "AppStrings.h"
#include "QtStrings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>

namespace {

// Larger files are no handheld sketch, and decoding one could take the
// memory of the whole program.
constexpr qint64 kMaxFileLength = 64 * 1024 * 1024;

} // namespace

bool CBitmapPicture::Load(const QString &path)
{
    m_Image = QImage();
    m_strError.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_strError = file.errorString();
        return false;
    }
    m_nFileLength = file.size();
    QByteArray bytes;
    if (m_nFileLength <= kMaxFileLength)
        bytes = file.readAll();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // A DIB file is a bitmap file by another name.
    if (path.endsWith(QStringLiteral(".dib"), Qt::CaseInsensitive))
        reader.setFormat("bmp");
    reader.setAutoTransform(true);
    // Refuses images whose pixels alone would take more than this.
    reader.setAllocationLimit(256);
    QImage image;
    if (bytes.isEmpty() || !reader.read(&image) || image.isNull()) {
        m_strError = ToQString(appstr::Get(appstr::kPictureUnreadable));
        m_strError.replace(QStringLiteral("%s"), QDir::toNativeSeparators(path));
        return false;
    }
    m_Image = image.convertToFormat(QImage::Format_RGB32);
    return true;
}
