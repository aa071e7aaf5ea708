#pragma once

// The outline as Docbridge's writer and reader see it: a flat list of items
// in document order, each with its level, independent of the storage
// library's records.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace docbridge {

struct TDocItem {
    int m_nLevel = 0; // 0 = top level
    std::string m_strText; // Windows-1252, paragraphs joined by CR LF
    std::string m_strNote; // Windows-1252, paragraphs joined by CR LF
    bool m_bChecked = false;
    // The drawing as a PNG image with its size in pixels; empty when none.
    std::string m_strPng;
    std::uint32_t m_nPngWidth = 0;
    std::uint32_t m_nPngHeight = 0;
};

struct TDocxOptions {
    bool m_bHeadings = true; // else one bullet list
    bool m_bNotes = false;
    std::string m_strTitle; // Windows-1252; empty: no title paragraph
};

// Called with the number of items done so far; may throw to abandon work.
using ProgressFn = std::function<void(std::size_t done)>;

// Word offers nine heading and list levels; deeper items share the ninth.
inline constexpr int kWordLevels = 9;
// The deepest item level of an outline.
inline constexpr int kMaxOutlineLevel = 9;

// Ballot boxes: a checked item's text starts with the checked box and a
// blank; the reader also understands the empty and the ticked box.
inline constexpr char32_t kBallotBox = 0x2610;
inline constexpr char32_t kBallotBoxChecked = 0x2611;
inline constexpr char32_t kBallotBoxCrossed = 0x2612;

} // namespace docbridge
