#pragma once

// Image files for the drawing editor: JPEG, GIF, BMP, DIB and PNG, read
// whole into memory and decoded by Qt's image readers.

#include <QImage>
#include <QString>

class CBitmapPicture {
public:
    // Reads and decodes the file. False with the reason in ErrorText() when
    // the file cannot be read or holds no picture this program decodes.
    bool Load(const QString &path);
    const QImage &Image() const { return m_Image; }
    QSize Size() const { return m_Image.size(); }
    qint64 FileLength() const { return m_nFileLength; }
    const QString &ErrorText() const { return m_strError; }

private:
    QImage m_Image;
    qint64 m_nFileLength = 0;
    QString m_strError;
};
