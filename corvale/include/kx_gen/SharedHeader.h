#pragma once

#include "kx_gen/Export.h"
#include "kx_gen/String.h"
#include "kx_gen/TaggedDataHeader.h"

#include <cstdint>

namespace kx_gen {

// Header 2 of an outline file: the fields that the handheld keeps too and
// that take part in synchronisation.
class KX_GEN_EXPORT CSharedHeader : public CTaggedDataHeader {
public:
    // Tag ids of the header's fields.
    static constexpr std::uint32_t kCategoryNameString = 1; // string tag index
    static constexpr std::uint32_t kPalmMatchNameString = 2; // string tag index
    static constexpr std::uint32_t kOutlineChangedTag = 3;
    static constexpr std::uint32_t kSynchronizedTag = 4;
    static constexpr std::uint32_t kPrivateTag = 5;
    static constexpr std::uint32_t kNumberingTag = 8;
    static constexpr std::uint32_t kNumberingDividerTag = 9;
    // Bytes of the numbering scheme.
    static constexpr std::uint32_t kNumberingSize = 10;
    // Default bytes of the header block in the file's table.
    static constexpr std::uint32_t kDefaultSize = 512;

    // A header with every field at its default: category = the current
    // unfiled category name, outline changed, not synchronised, not private,
    // no numbering. Throws CException message 18 when memory runs out.
    CSharedHeader();

    // Adds the fields that older files lack: the match name, the private
    // flag, the numbering scheme and the divider.
    void CreateNewFields() override;

    // Every getter throws CException message 16 when its tag is missing and
    // message 15 when the tag block is corrupt; every setter throws message
    // 18 when memory runs out.

    // The category is referred to by name. Changing the stored name also
    // sets the outline-changed flag.
    void SetCategoryName(const _String &name);
    _String GetCategoryName() const;
    // The category-changed flag is the changed bit of the category name.
    void SetCategoryChanged(bool changed);
    bool GetCategoryChanged() const;

    // The handheld's match name, carried for the synchronisation side.
    void SetPalmMatchName(const _String &name);
    _String GetPalmMatchName() const;

    void SetOutlineChanged(bool changed);
    bool GetOutlineChanged() const;
    void SetSynchronized(bool synchronized);
    bool GetSynchronized() const;
    void SetPrivate(bool isPrivate);
    bool GetPrivate() const;
    void SetPrivateTagChanged(bool changed);
    bool GetPrivateTagChanged() const;

    // The numbering scheme: kNumberingSize bytes.
    void setNumbering(const std::uint8_t *scheme);
    void getNumbering(std::uint8_t *scheme) const;
    void setNumberingChanged(bool changed);
    bool getNumberingChanged() const;
    // The divider character, stored by the program in both bytes.
    void setNumberingDivider(std::uint16_t divider);
    std::uint16_t getNumberingDivider() const;
    void setNumberingDividerChanged(bool changed);
    bool getNumberingDividerChanged() const;
};

} // namespace kx_gen
