#include "DrawingPicture.h"

#include "QtImages.h"

#include "kx_gen/DibUtil.h"
#include "kx_gen/PalmBmp.h"

#include <algorithm>

using namespace kx_gen;

namespace {

int DepthOf(HMEM dib)
{
    const auto *header = static_cast<const BITMAPINFOHEADER *>(MemGetPtr(dib));
    if (!header)
        return 0;
    const int bits = header->biBitCount;
    MemReleasePtr(dib);
    return bits;
}

struct TPalmTarget {
    int m_nTarget;
    int m_nBits;
    bool m_bColor;
};

bool PalmTarget(int format, TPalmTarget *target)
{
    switch (format) {
    case CDrawingPicture::kFormatPalm2:
        *target = { CPalmBmp::kTarget1bpp, 1, false };
        return true;
    case CDrawingPicture::kFormatPalm4:
        *target = { CPalmBmp::kTarget2bpp, 2, false };
        return true;
    case CDrawingPicture::kFormatPalm16Grey:
        *target = { CPalmBmp::kTarget4bppGrey, 4, false };
        return true;
    case CDrawingPicture::kFormatPalm16:
        *target = { CPalmBmp::kTarget4bppColor, 4, true };
        return true;
    case CDrawingPicture::kFormatPalm256:
        *target = { CPalmBmp::kTarget8bpp, 8, false };
        return true;
    default:
        return false;
    }
}

// The DIB reduced to a handheld palette and read back as a DIB of that
// palette: exactly what the handheld will show. Null on any failure.
HMEM ToPalmFormat(HMEM dib, const TPalmTarget &target)
{
    const auto *header = static_cast<const BITMAPINFOHEADER *>(MemGetPtr(dib));
    if (!header)
        return nullptr;
    const int width = header->biWidth;
    const int height = std::abs(header->biHeight);
    MemReleasePtr(dib);
    constexpr int kAlignment = 16;
    HMEM bits = nullptr;
    if (!CPalmBmp::ConvertWindowsBitmap(dib, &bits, target.m_nTarget, kAlignment))
        return nullptr;
    MemHolder palm(bits);
    auto *rows = static_cast<std::uint8_t *>(MemGetPtr(bits));
    if (!rows)
        return nullptr;
    // Handheld rows run top-down, a DIB's bottom-up.
    const std::size_t rowBytes = CPalmBmp::BMP_CbRow(
        static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(target.m_nBits), kAlignment);
    CPalmBmp::FlipBitmap(rows, rowBytes, rowBytes * static_cast<std::size_t>(height));
    HMEM result = nullptr;
    const bool made
        = CPalmBmp::ConvertPalmBitmap(rows, height, width, target.m_nBits, kAlignment, &result);
    MemReleasePtr(bits);
    if (!made)
        return nullptr;
    if (target.m_bColor) {
        // The conversion gives every depth its grey palette; the colour
        // format indexes the colour one.
        auto *out = static_cast<BITMAPINFOHEADER *>(MemGetPtr(result));
        if (!out) {
            MemFree(result);
            return nullptr;
        }
        CPalmBmp::SetPalette(
            reinterpret_cast<RGBQUAD *>(reinterpret_cast<std::uint8_t *>(out) + out->biSize),
            target.m_nBits, true);
        MemReleasePtr(result);
    }
    return result;
}

} // namespace

CDrawingPicture::CDrawingPicture() = default;

CDrawingPicture::~CDrawingPicture()
{
    MemFree(m_hDib);
}

int CDrawingPicture::FormatOfDepth(int bits)
{
    if (bits <= 1)
        return kFormatPalm2;
    if (bits <= 4)
        return kFormatPalm16Grey;
    if (bits <= 8)
        return kFormatPalm256;
    return kFormatWindows;
}

QSize CDrawingPicture::ProportionalFit(QSize size)
{
    if (!IsOversized(size))
        return size;
    const double factor
        = std::min(double(kMaxWidth) / size.width(), double(kMaxHeight) / size.height());
    return QSize(std::max(1, static_cast<int>(size.width() * factor)),
        std::max(1, static_cast<int>(size.height() * factor)));
}

bool CDrawingPicture::Take(HMEM dib, bool hasPicture, int format)
{
    if (!dib)
        return false;
    QImage image = DibToQImage(dib);
    if (image.isNull()) {
        MemFree(dib);
        return false;
    }
    MemFree(m_hDib);
    m_hDib = dib;
    m_Image = std::move(image);
    m_bHasPicture = hasPicture;
    m_nFormat = format;
    return true;
}

bool CDrawingPicture::MakeCanvas()
{
    return Take(CreateDIB(kMaxWidth, kMaxHeight, 24), false, kFormatWindows);
}

bool CDrawingPicture::Load(const COutlineItem &item)
{
    m_bDirty = false;
    if (item.HasDrawing() && item.m_pRecord) {
        HMEM dib = item.GetDrawing();
        if (dib && Take(dib, true, FormatOfDepth(DepthOf(dib))))
            return true;
    }
    return MakeCanvas();
}

bool CDrawingPicture::Clear()
{
    if (!MakeCanvas())
        return false;
    m_bDirty = true;
    return true;
}

void CDrawingPicture::Delete()
{
    // The canvas is only what the window shows until it closes; without
    // one the old picture stays on the screen, which is harmless.
    MakeCanvas();
    m_bHasPicture = false;
    m_bDirty = true;
}

bool CDrawingPicture::ReplaceFromFile(const QImage &image)
{
    if (image.isNull())
        return false;
    MemHolder dib(QImageToDib(image));
    if (!dib)
        return false;
    HMEM picture = dib.get();
    if (IsOversized(image.size())) {
        const QSize fit = ProportionalFit(image.size());
        picture = ShrinkDIB(dib.get(), fit.width(), fit.height());
    } else {
        dib.release();
    }
    if (!Take(picture, true, kFormatWindows))
        return false;
    m_bDirty = true;
    return true;
}

bool CDrawingPicture::Paste(const QImage &image, EOversize oversize)
{
    if (image.isNull() || oversize == kCancel)
        return false;
    MemHolder dib(QImageToDib(image));
    if (!dib)
        return false;
    HMEM picture = nullptr;
    if (!IsOversized(image.size())) {
        picture = dib.release();
    } else if (oversize == kClip) {
        picture = ClipDIB(dib.get(), std::min(image.width(), int(kMaxWidth)),
            std::min(image.height(), int(kMaxHeight)));
    } else {
        const QSize fit = ProportionalFit(image.size());
        picture = ShrinkDIB(dib.get(), fit.width(), fit.height());
    }
    if (!Take(picture, true, kFormatWindows))
        return false;
    m_bDirty = true;
    return true;
}

bool CDrawingPicture::ConvertTo(int format)
{
    if (!m_bHasPicture || !m_hDib)
        return false;
    HMEM converted = nullptr;
    TPalmTarget target;
    if (PalmTarget(format, &target))
        converted = ToPalmFormat(m_hDib, target);
    else if (format == kFormatWindows)
        converted = ChangeDIBFormat(m_hDib, 24, 0);
    else
        return false;
    if (!Take(converted, true, format))
        return false;
    m_bDirty = true;
    return true;
}

bool CDrawingPicture::ReadyToClose()
{
    if (!m_bHasPicture || !IsOversized(m_Image.size()))
        return true;
    HMEM shrunk = ShrinkDIB(m_hDib, std::min(m_Image.width(), int(kMaxWidth)),
        std::min(m_Image.height(), int(kMaxHeight)));
    if (!Take(shrunk, true, kFormatWindows))
        return true; // keep the picture as it is rather than a window that never closes
    m_bDirty = true;
    return false;
}

bool CDrawingPicture::WriteBack(COutlineMan &man, COutlineNode *node) const
{
    if (!node)
        return false;
    if (!m_bHasPicture) {
        if (!node->m_Item.HasDrawing() && !m_bDirty)
            return true;
        const bool removed = man.SetItemDrawing(node, nullptr);
        if (m_bDirty)
            man.SetModified(true);
        return removed;
    }
    if (!m_bDirty)
        return true;
    if (!man.SetItemDrawing(node, m_hDib))
        return false;
    man.SetModified(true);
    return true;
}
