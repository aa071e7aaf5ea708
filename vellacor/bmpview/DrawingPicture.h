#pragma once

// The picture of the drawing editor without its window: the drawing as a
// device-independent bitmap, whether it is a real picture or the blank
// canvas, whether it changed, and every change the editor makes to it. No
// change ever loses the picture: an operation that cannot convert leaves
// it exactly as it was.

#include "OutlineMan.h"

#include "kx_gen/Memory.h"

#include <QImage>
#include <QSize>

class CDrawingPicture {
public:
    // The handheld's drawing area.
    static constexpr int kMaxWidth = 160;
    static constexpr int kMaxHeight = 140;

    // The format choices, as their command ids.
    enum EFormat {
        kFormatPalm2 = 32936, // black and white
        kFormatPalm4 = 32937, // four greys
        kFormatPalm16Grey = 32938,
        kFormatPalm16 = 32939, // sixteen colours
        kFormatPalm256 = 32940,
        kFormatWindows = 32941, // true colour
    };

    // What to do with a pasted picture larger than the drawing area.
    enum EOversize { kClip = 1, kShrink = 2, kCancel = 3 };

    CDrawingPicture();
    ~CDrawingPicture();
    CDrawingPicture(const CDrawingPicture &) = delete;
    CDrawingPicture &operator=(const CDrawingPicture &) = delete;

    // Takes the item's drawing, or the blank canvas when it has none or
    // its drawing cannot be read. Not dirty afterwards. False only when not
    // even the canvas could be made.
    bool Load(const COutlineItem &item);
    // The blank canvas instead of the picture: no picture, dirty.
    bool Clear();
    // No picture any more (Delete): the item loses its drawing.
    void Delete();
    // Replaces the picture by an image file's (already read), shrunk
    // proportionally into the drawing area. False, nothing changed, when it
    // cannot be converted.
    bool ReplaceFromFile(const QImage &image);
    // Replaces the picture by a pasted one; an oversized one is clipped to
    // its top-left part or shrunk to fit, as `oversize` says (kCancel
    // changes nothing). False, nothing changed, when it cannot be converted.
    bool Paste(const QImage &image, EOversize oversize);
    // Reduces the picture to a handheld format (or back to true colour).
    // False, nothing changed, when it cannot be converted.
    bool ConvertTo(int format);
    // The closing rule: an oversized picture is shrunk into the drawing
    // area (dirty) and false returned, so the window stays open once more.
    bool ReadyToClose();
    // Writes the result into the item: its drawing removed when there is
    // no picture, replaced when the picture changed; the outline is marked
    // modified when anything changed. False when the changed picture could
    // not be stored: the item then keeps the drawing it had.
    bool WriteBack(COutlineMan &man, COutlineNode *node) const;

    static bool IsOversized(QSize size)
    {
        return size.width() > kMaxWidth || size.height() > kMaxHeight;
    }
    // The size an image file's picture is shrunk to: the factor
    // min(160 / width, 140 / height), sizes truncated, never below 1.
    static QSize ProportionalFit(QSize size);
    // The format choice matching a depth of `bits` per pixel.
    static int FormatOfDepth(int bits);

    bool HasPicture() const { return m_bHasPicture; }
    bool IsDirty() const { return m_bDirty; }
    int Format() const { return m_nFormat; }
    QSize Size() const { return m_Image.size(); }
    // The picture as painted; the canvas when there is no picture.
    const QImage &Image() const { return m_Image; }
    // The picture as the DIB it is stored as (stays the picture's).
    kx_gen::HMEM Dib() const { return m_hDib; }

private:
    // Takes ownership of `dib` as the new picture: false (and `dib`
    // freed) when it cannot be shown.
    bool Take(kx_gen::HMEM dib, bool hasPicture, int format);
    bool MakeCanvas();

    kx_gen::HMEM m_hDib = nullptr;
    QImage m_Image;
    bool m_bHasPicture = false;
    bool m_bDirty = false;
    int m_nFormat = kFormatWindows;
};
