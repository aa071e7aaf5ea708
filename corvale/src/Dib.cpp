#include "kx_gen/Dib.h"

#include "DibInternal.h"
#include "kx_gen/DibUtil.h"
#include "kx_gen/Exception.h"
#include "kx_gen/File.h"

namespace kx_gen {

using namespace dib;

namespace {

// Throws message 22 for a DIB with a negative width or height and message 23
// for any other DIB the utilities cannot read.
void ThrowIfUnusable(HMEM dib)
{
    Locked lock(dib);
    if (lock.size() >= sizeof(BITMAPINFOHEADER)
        && (DIBWidth(lock.data()) < 0 || DIBHeight(lock.data()) < 0))
        ThrowDBException(kMsgImageTooBig);
    DibView view;
    if (!ParseDIB(lock.data(), lock.size(), view))
        ThrowDBException(kMsgCannotLoadDib);
}

} // namespace

CDib::~CDib()
{
    MemFree(m_hDIB);
}

void CDib::LoadDIBFile(const char *path)
{
    CFile file;
    file.Open(path, CFile::modeRead | CFile::shareDenyWrite);
    MemHolder dib(ReadDIBFile(file));
    file.Close();
    if (!dib)
        ThrowDBException(kMsgCannotLoadDib);
    // Checked before it replaces the DIB held, which stays on failure.
    ThrowIfUnusable(dib.get());
    ReplaceHDIB(dib.release());
    InitDIBData();
}

bool CDib::SaveDIBFile(const char *path)
{
    if (!IsValidDIB(m_hDIB))
        return false;
    CFile file;
    try {
        file.Open(path, CFile::modeCreate | CFile::shareExclusive | CFile::modeReadWrite);
    } catch (CFileException *e) {
        ExceptionHolder holder(e);
        return false;
    }
    const bool saved = SaveDIB(m_hDIB, file);
    file.Close();
    return saved;
}

void CDib::ReplaceHDIB(HMEM dib)
{
    if (dib != m_hDIB)
        MemFree(m_hDIB);
    m_hDIB = dib;
}

HMEM CDib::DetachDib()
{
    HMEM dib = m_hDIB;
    m_hDIB = nullptr;
    m_palDIB.DeleteObject();
    m_sizeDoc = DibSize {};
    return dib;
}

void CDib::InitDIBData()
{
    m_palDIB.DeleteObject();
    m_sizeDoc = DibSize {};
    if (!m_hDIB)
        return;
    try {
        ThrowIfUnusable(m_hDIB);
    } catch (...) {
        MemFree(m_hDIB);
        m_hDIB = nullptr;
        throw;
    }
    {
        Locked lock(m_hDIB);
        m_sizeDoc = DibSize { DIBWidth(lock.data()), DIBHeight(lock.data()) };
    }
    CreateDIBPalette(m_hDIB, &m_palDIB);
}

} // namespace kx_gen
