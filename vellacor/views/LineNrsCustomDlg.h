#pragma once

// The custom line numbering dialog: one style for each of the first nine
// levels. The tenth level is not offered and keeps its style.

#include <QDialog>

#include <cstdint>

class QComboBox;

class CLineNrsCustomDlg : public QDialog {
    Q_OBJECT

public:
    // `styles` holds the ten styles the boxes start from.
    explicit CLineNrsCustomDlg(const std::uint8_t *styles, QWidget *parent = nullptr);
    // The styles as chosen: the boxes' choices for levels 1 to 9, the tenth
    // as it was given.
    void GetStyles(std::uint8_t *styles) const;

    static constexpr int kShownLevels = 9;

private:
    QComboBox *m_pLevels[kShownLevels];
    std::uint8_t m_Styles[10];
};
