#pragma once

// The program's clipboard access: outline items travel under a private
// format as a transfer block (a small outline database), beside their texts
// as plain text. Qt's clipboard takes one set of data at a time, so the
// wrapper collects what is set between opening and closing and hands it
// over in one piece when it closes.

#include "kx_gen/Memory.h"

#include <QString>

#include <memory>

class QMimeData;

class CKXClipboard {
public:
    // The name of the outline format; it ends in one blank, and a program
    // that leaves the blank out exchanges no items with this one.
    static const QString &OutlineFormat();

    // Opens the clipboard for `format`. `owner` is kept only.
    CKXClipboard(void *owner, const QString &format);
    // Closes the clipboard when it is open.
    ~CKXClipboard();
    CKXClipboard(const CKXClipboard &) = delete;
    CKXClipboard &operator=(const CKXClipboard &) = delete;

    bool IsOpen() const { return m_bOpen; }
    void *Owner() const { return m_hWndOwner; }
    // Forgets what was set so far; closing then leaves the clipboard empty
    // of everything else. False when not open.
    bool Empty();
    // The block's bytes become the data of the format; the wrapper takes
    // the block and frees it. False (the block freed all the same) when
    // not open or the block is empty.
    bool SetData(kx_gen::HMEM block);
    // Plain text beside the data.
    bool SetText(const QString &text);
    // A copy of the clipboard's data of the format, which the caller owns;
    // null when there is none.
    kx_gen::HMEM GetData() const;
    // Hands over what was set. True when not open.
    bool Close();

    // Whether the clipboard holds `format` (no need to open it).
    static bool IsFormatAvailable(const QString &format);

    // A session without a usable clipboard (and tests of how commands fail
    // without one): every clipboard opens as failed.
    static void SetUnavailable(bool unavailable);

private:
    void *m_hWndOwner;
    QString m_nFormat;
    bool m_bOpen = false;
    bool m_bEmptied = false;
    std::unique_ptr<QMimeData> m_pPending;
};
