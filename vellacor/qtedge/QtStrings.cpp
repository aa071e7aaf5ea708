#include "QtStrings.h"

QString ToQString(const char *text, int length)
{
    if (!text)
        return QString();
    if (length < 0)
        length = static_cast<int>(std::char_traits<char>::length(text));
    QString result(length, Qt::Uninitialized);
    QChar *out = result.data();
    for (int i = 0; i < length; ++i)
        out[i] = QChar(kx_gen::Windows1252ToUnicode(static_cast<unsigned char>(text[i])));
    return result;
}

QString ToQString(const kx_gen::_String &text)
{
    return ToQString(text.c_str(), text.GetLength());
}

// The index of the first character that does not fit, or -1.
static qsizetype FirstUnsupportedIndex(const QString &text, std::string *bytes)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        unsigned char byte = 0;
        if (text[i].isSurrogate() || !kx_gen::UnicodeToWindows1252(text[i].unicode(), &byte))
            return i;
        if (bytes)
            bytes->push_back(static_cast<char>(byte));
    }
    return -1;
}

static QString CharacterAt(const QString &text, qsizetype index)
{
    const bool pair = text[index].isHighSurrogate() && index + 1 < text.size()
        && text[index + 1].isLowSurrogate();
    return text.mid(index, pair ? 2 : 1);
}

bool FromQString(const QString &text, kx_gen::_String &out, QString *refused)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    const qsizetype bad = FirstUnsupportedIndex(text, &bytes);
    if (bad >= 0) {
        if (refused)
            *refused = CharacterAt(text, bad);
        return false;
    }
    out = kx_gen::_String(std::move(bytes));
    return true;
}

kx_gen::_String ToKxString(const QString &text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        unsigned char byte = '?';
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (!kx_gen::UnicodeToWindows1252(text[i].unicode(), &byte))
            byte = '?';
        bytes.push_back(static_cast<char>(byte));
    }
    return kx_gen::_String(std::move(bytes));
}

QString FirstUnsupportedCharacter(const QString &text)
{
    const qsizetype bad = FirstUnsupportedIndex(text, nullptr);
    return bad < 0 ? QString() : CharacterAt(text, bad);
}

QString PathToQString(const kx_gen::_String &path)
{
    return QString::fromLocal8Bit(path.c_str(), path.GetLength());
}

kx_gen::_String PathFromQString(const QString &path)
{
    return kx_gen::_String(path.toLocal8Bit().toStdString());
}
