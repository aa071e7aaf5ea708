#include "kx_gen/Quantizer.h"

#include <algorithm>
#include <bit>

namespace kx_gen {

struct CQuantizer::Node {
    bool bIsLeaf = false;
    uint64_t nPixelCount = 0;
    uint64_t nRedSum = 0;
    uint64_t nGreenSum = 0;
    uint64_t nBlueSum = 0;
    Node *pChild[8] = {};
    Node *pNext = nullptr; // the next reducible node of the same level
};

CQuantizer::CQuantizer(unsigned maxColors, unsigned colorBits)
    : m_nMaxColors(std::max(maxColors, 1u))
    , m_nColorBits(std::clamp(colorBits, 1u, 8u))
{
}

CQuantizer::~CQuantizer()
{
    DeleteTree(m_pTree);
}

void CQuantizer::DeleteTree(Node *node)
{
    if (!node)
        return;
    for (Node *child : node->pChild)
        DeleteTree(child);
    delete node;
}

bool CQuantizer::ProcessImage(const BITMAPINFO *info, const void *pixels)
{
    if (!info || !pixels)
        return false;
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biBitCount != 24 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0)
        return false;
    const std::size_t width = std::size_t(h.biWidth);
    const std::size_t rows
        = h.biHeight < 0 ? std::size_t(-int64_t(h.biHeight)) : std::size_t(h.biHeight);
    const std::size_t stride = ((width * 24 + 31) / 32) * 4;
    const auto *base = static_cast<const uint8_t *>(pixels);
    for (std::size_t y = 0; y < rows; ++y) {
        const uint8_t *p = base + y * stride;
        for (std::size_t x = 0; x < width; ++x, p += 3)
            AddColor(p[2], p[1], p[0]);
    }
    return true;
}

void CQuantizer::ProcessPixels(const uint32_t *pixels, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        AddColor(uint8_t(pixels[i] >> 16), uint8_t(pixels[i] >> 8), uint8_t(pixels[i]));
}

void CQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue)
{
    Node **slot = &m_pTree;
    for (unsigned level = 0;; ++level) {
        if (!*slot)
            *slot = CreateNode(level);
        Node *node = *slot;
        if (node->bIsLeaf) {
            ++node->nPixelCount;
            node->nRedSum += red;
            node->nGreenSum += green;
            node->nBlueSum += blue;
            break;
        }
        const unsigned shift = 7 - level;
        const unsigned index
            = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        slot = &node->pChild[index];
    }
    // Keep the palette bounded as we go so that the tree never grows beyond
    // the colours it may keep.
    while (m_nLeafCount > m_nMaxColors && ReduceTree()) { }
}

CQuantizer::Node *CQuantizer::CreateNode(unsigned level)
{
    Node *node = new Node;
    node->bIsLeaf = level == m_nColorBits;
    if (node->bIsLeaf) {
        ++m_nLeafCount;
    } else {
        node->pNext = m_pReducibleNodes[level];
        m_pReducibleNodes[level] = node;
    }
    return node;
}

bool CQuantizer::ReduceTree()
{
    // The most recently created reducible node of the deepest level that has one.
    int level = int(m_nColorBits) - 1;
    while (level > 0 && !m_pReducibleNodes[level])
        --level;
    Node *node = m_pReducibleNodes[level];
    if (!node)
        return false;
    m_pReducibleNodes[level] = node->pNext;

    unsigned children = 0;
    for (Node *&child : node->pChild) {
        if (!child)
            continue;
        node->nPixelCount += child->nPixelCount;
        node->nRedSum += child->nRedSum;
        node->nGreenSum += child->nGreenSum;
        node->nBlueSum += child->nBlueSum;
        DeleteTree(child);
        child = nullptr;
        ++children;
    }
    node->bIsLeaf = true;
    m_nLeafCount -= children - 1;
    return true;
}

void CQuantizer::GetColorTable(RGBQUAD *table) const
{
    unsigned index = 0;
    GetPaletteColors(m_pTree, table, &index);
}

void CQuantizer::GetPaletteColors(const Node *node, RGBQUAD *table, unsigned *index)
{
    if (!node)
        return;
    if (node->bIsLeaf) {
        const uint64_t n = node->nPixelCount ? node->nPixelCount : 1;
        RGBQUAD &q = table[(*index)++];
        q.rgbRed = uint8_t(node->nRedSum / n);
        q.rgbGreen = uint8_t(node->nGreenSum / n);
        q.rgbBlue = uint8_t(node->nBlueSum / n);
        q.rgbReserved = 0;
        return;
    }
    for (const Node *child : node->pChild)
        GetPaletteColors(child, table, index);
}

int CQuantizer::GetLeftShiftCount(uint32_t mask)
{
    return 8 - std::popcount(mask);
}

int CQuantizer::GetRightShiftCount(uint32_t mask)
{
    return mask ? std::countr_zero(mask) : -1;
}

} // namespace kx_gen
