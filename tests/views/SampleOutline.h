#pragma once

// A small outline that shows every part of a row: levels, check boxes,
// numbering, notes, drawings, several paragraphs and long wrapped texts.

#include "ViewTestSupport.h"

#include "kx_gen/OutlineDB.h"

#include <cstring>

inline void MakeSampleOutline(COutlineMan &man, int pixelHeight = 14)
{
    MakeOutline(man,
        "Plans+ (Garden+ (x:Seeds Soil Fence) Kitchen (Tiles) x:Roof) "
        "Reading+ (Novels Essays+ (On|walking On|reading)) Notes");
    auto set = [&man](const char *name, const char *text) {
        NodeOf(man, name)->m_Item.m_Text.SetString(kx_gen::_String(text));
    };
    set("Garden",
        "Garden: order seeds before March, dig the beds, and mend the fence along the "
        "north side before the spring winds come back");
    set("Novels", "Novels to read\r\xC9mile Zola, L'Assommoir\r\xC1lvaro Mutis, Maqroll");
    NodeOf(man, "Soil")->m_Item.m_strNote = kx_gen::_String("Ask about clay soil");
    NodeOf(man, "Fence")->m_Item.m_strNote = kx_gen::_String("Posts: 12");
    NodeOf(man, "Fence")->m_Item.m_nDrawWidth = 32;
    NodeOf(man, "Fence")->m_Item.m_nDrawHeight = 32;
    NodeOf(man, "Tiles")->m_Item.m_nDrawWidth = 32;
    NodeOf(man, "Tiles")->m_Item.m_nDrawHeight = 32;
    std::uint8_t scheme[10] = { 6, 3, 4, 2, 5, 3, 4, 2, 5, 0 };
    man.SetNumbering(scheme);
    man.SetNumberingDivider('.');
    kx_gen::LOGFONT font;
    font.lfHeight = -pixelHeight;
    font.lfWeight = 400;
    std::strcpy(font.lfFaceName, "DejaVu Sans");
    man.GetDB()->SetOutlineFont(font, kx_gen::RGB(0, 0, 0));
    // Check boxes and checked items shown.
    man.GetDB()->GetPrivateOutlineHeaderPtr()->GetTags().setUInt8(
        kx_gen::CPrivateOutlineHeader::kShowCheckedTag, 0);
    man.Renumber();
}
