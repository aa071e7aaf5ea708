#pragma once

// Asks whether a pasted picture larger than the drawing area is clipped or
// shrunk.

#include <QDialog>

class CBmpAskDlg : public QDialog {
    Q_OBJECT

public:
    explicit CBmpAskDlg(QWidget *parent = nullptr);
    // CDrawingPicture::EOversize: clip, shrink, or cancel (also on Escape).
    int Choice() const { return m_nChoice; }

private:
    int m_nChoice;
};
