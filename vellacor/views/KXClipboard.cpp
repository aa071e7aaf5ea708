#include "KXClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <climits>
#include <cstring>

namespace {

bool g_bUnavailable = false;

QClipboard *SystemClipboard()
{
    if (g_bUnavailable)
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

const QString &CKXClipboard::OutlineFormat()
{
    static const QString format = QStringLiteral("OutlineData 1.0 ");
    return format;
}

void CKXClipboard::SetUnavailable(bool unavailable)
{
    g_bUnavailable = unavailable;
}

CKXClipboard::CKXClipboard(void *owner, const QString &format)
    : m_hWndOwner(owner)
    , m_nFormat(format)
    , m_bOpen(SystemClipboard() != nullptr)
{
}

CKXClipboard::~CKXClipboard()
{
    Close();
}

bool CKXClipboard::Empty()
{
    if (!m_bOpen)
        return false;
    m_pPending = std::make_unique<QMimeData>();
    m_bEmptied = true;
    return true;
}

bool CKXClipboard::SetData(kx_gen::HMEM block)
{
    kx_gen::MemHolder owned(block);
    if (!m_bOpen || !block)
        return false;
    const std::size_t size = kx_gen::MemGetSize(block);
    const char *bytes = static_cast<const char *>(kx_gen::MemGetPtr(block));
    if (!bytes || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        kx_gen::MemReleasePtr(block);
        return false;
    }
    QByteArray data(bytes, static_cast<qsizetype>(size));
    kx_gen::MemReleasePtr(block);
    if (!m_pPending)
        m_pPending = std::make_unique<QMimeData>();
    m_pPending->setData(m_nFormat, data);
    return true;
}

bool CKXClipboard::SetText(const QString &text)
{
    if (!m_bOpen)
        return false;
    if (!m_pPending)
        m_pPending = std::make_unique<QMimeData>();
    m_pPending->setText(text);
    return true;
}

kx_gen::HMEM CKXClipboard::GetData() const
{
    QClipboard *clipboard = SystemClipboard();
    const QMimeData *mime = clipboard ? clipboard->mimeData() : nullptr;
    if (!mime || !mime->hasFormat(m_nFormat))
        return nullptr;
    const QByteArray data = mime->data(m_nFormat);
    if (data.isEmpty())
        return nullptr;
    kx_gen::HMEM block = kx_gen::MemAlloc(static_cast<std::size_t>(data.size()));
    if (!block)
        return nullptr;
    void *to = kx_gen::MemGetPtr(block);
    std::memcpy(to, data.constData(), static_cast<std::size_t>(data.size()));
    kx_gen::MemReleasePtr(block);
    return block;
}

bool CKXClipboard::Close()
{
    if (!m_bOpen)
        return true;
    m_bOpen = false;
    QClipboard *clipboard = SystemClipboard();
    if (!clipboard)
        return false;
    if (m_pPending && (m_bEmptied || !m_pPending->formats().isEmpty()))
        clipboard->setMimeData(m_pPending.release());
    m_pPending.reset();
    return true;
}

bool CKXClipboard::IsFormatAvailable(const QString &format)
{
    QClipboard *clipboard = SystemClipboard();
    const QMimeData *mime = clipboard ? clipboard->mimeData() : nullptr;
    return mime && mime->hasFormat(format);
}
