#pragma once

#include "kx_gen/DibTypes.h"
#include "kx_gen/Export.h"

#include <cstddef>
#include <cstdint>

namespace kx_gen {

// An octree colour quantizer: it collects the colours of a true-colour image
// and reduces them to at most a given number of representative colours, the
// palette for a conversion to 8 bits or fewer.
class KX_GEN_EXPORT CQuantizer {
public:
    // `maxColors` (at least 1) bounds the palette; `colorBits` (1 to 8) is
    // the depth of the tree, the bits of each channel that tell colours apart.
    CQuantizer(unsigned maxColors, unsigned colorBits);
    ~CQuantizer();
    CQuantizer(const CQuantizer &) = delete;
    CQuantizer &operator=(const CQuantizer &) = delete;

    // Adds every pixel of an uncompressed 24-bit image (`pixels`: the rows as
    // the header describes them, each padded to 4 bytes). Returns false, adding
    // nothing, for any other format.
    bool ProcessImage(const BITMAPINFO *info, const void *pixels);
    // Adds `count` pixels given as 0x??RRGGBB (a device bitmap's pixels).
    void ProcessPixels(const uint32_t *pixels, std::size_t count);

    // The number of colours in the palette so far (at most maxColors).
    unsigned GetColorCount() const { return m_nLeafCount; }
    // Writes GetColorCount() entries: the mean colour of every leaf, in tree order.
    void GetColorTable(RGBQUAD *table) const;

    // 8 minus the number of set bits of a channel mask.
    static int GetLeftShiftCount(uint32_t mask);
    // The index of the lowest set bit of a channel mask, -1 for 0.
    static int GetRightShiftCount(uint32_t mask);

private:
    struct Node;

    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    Node *CreateNode(unsigned level);
    // Merges one node's children into it; false when no node is left to merge.
    bool ReduceTree();
    static void DeleteTree(Node *node);
    static void GetPaletteColors(const Node *node, RGBQUAD *table, unsigned *index);

    Node *m_pTree = nullptr;
    unsigned m_nLeafCount = 0;
    unsigned m_nMaxColors;
    unsigned m_nColorBits;
    Node *m_pReducibleNodes[9] = {};
};

} // namespace kx_gen
