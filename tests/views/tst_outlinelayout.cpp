// The layout metrics and the numbering labels: pure arithmetic.

#include "LineNumbering.h"
#include "OutlineLayout.h"

#include <QTest>

class tst_OutlineLayout : public QObject {
    Q_OBJECT
private slots:
    void columns_data();
    void columns();
    void labelWidthShiftsText();
    void symbolColumnsTakeTextRoom();
    void symbolBoxIsClippedAndCentred();
    void alphaLabels();
    void romanLabels_data();
    void romanLabels();
    void legalLabels();
    void labelBounds();
};

void tst_OutlineLayout::columns_data()
{
    QTest::addColumn<bool>("checkBoxes");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("expander");
    QTest::addColumn<int>("checkBox");
    QTest::addColumn<int>("text");
    QTest::newRow("level 0") << true << 0 << 10 << 30 << 50;
    QTest::newRow("level 3") << true << 3 << 70 << 90 << 110;
    QTest::newRow("level 9") << true << 9 << 190 << 210 << 230;
    QTest::newRow("level 0 without boxes") << false << 0 << 10 << 30 << 30;
    QTest::newRow("level 3 without boxes") << false << 3 << 70 << 90 << 90;
}

void tst_OutlineLayout::columns()
{
    QFETCH(bool, checkBoxes);
    QFETCH(int, level);
    QFETCH(int, expander);
    QFETCH(int, checkBox);
    QFETCH(int, text);
    COutlineLayout layout;
    std::fill(std::begin(layout.m_nLabelWidth), std::end(layout.m_nLabelWidth), 0);
    layout.m_bShowCheckBoxes = checkBoxes;
    layout.ComputeColumns();
    QCOMPARE(layout.m_xExpander[level], expander);
    QCOMPARE(layout.m_xCheckBox[level], checkBox);
    QCOMPARE(layout.m_xLabel[level], text);
    QCOMPARE(layout.m_xText[level], text);
}

void tst_OutlineLayout::labelWidthShiftsText()
{
    COutlineLayout layout;
    std::fill(std::begin(layout.m_nLabelWidth), std::end(layout.m_nLabelWidth), 0);
    layout.m_nLabelWidth[2] = 24;
    layout.ComputeColumns();
    QCOMPARE(layout.m_xLabel[2], 90);
    QCOMPARE(layout.m_xText[2], 114);
    // Other levels are not moved by a label of their neighbour.
    QCOMPARE(layout.m_xText[1], 70);
    QCOMPARE(layout.m_xText[3], 110);
}

void tst_OutlineLayout::symbolColumnsTakeTextRoom()
{
    COutlineLayout layout;
    std::fill(std::begin(layout.m_nLabelWidth), std::end(layout.m_nLabelWidth), 0);
    layout.ComputeColumns();
    layout.m_nWidth = 600;
    const int plain = layout.AvailableWidth(1, false, false);
    QCOMPARE(plain, 600 - 10 - 70);
    QCOMPARE(layout.AvailableWidth(1, true, false), plain - 20);
    QCOMPARE(layout.AvailableWidth(1, false, true), plain - 20);
    QCOMPARE(layout.AvailableWidth(1, true, true), plain - 40);
    // The note sits left of the drawing, both left of the right margin.
    QCOMPARE(layout.DrawingColumn(0, 19).left(), 570);
    QCOMPARE(layout.NoteColumn(true, 0, 19).left(), 550);
    QCOMPARE(layout.NoteColumn(false, 0, 19).left(), 570);
    // A width too small for any text still leaves one pixel to wrap into.
    layout.m_nWidth = 50;
    QCOMPARE(layout.AvailableWidth(9, true, true), 1);
}

void tst_OutlineLayout::symbolBoxIsClippedAndCentred()
{
    QCOMPARE(COutlineLayout::SymbolBox(QRect(70, 0, 20, 19)), QRect(72, 2, 16, 15));
    QCOMPARE(COutlineLayout::SymbolBox(QRect(70, 38, 20, 26)), QRect(72, 43, 16, 15));
    QCOMPARE(COutlineLayout::SymbolBox(QRect(0, 0, 10, 8)), QRect(0, 0, 10, 8));
}

void tst_OutlineLayout::alphaLabels()
{
    QCOMPARE(AlphaLabel(0, false), std::string("a"));
    QCOMPARE(AlphaLabel(25, true), std::string("Z"));
    QCOMPARE(AlphaLabel(26, true), std::string("AA"));
    QCOMPARE(AlphaLabel(27, false), std::string("ab"));
    QCOMPARE(AlphaLabel(701, false), std::string("zz"));
    QCOMPARE(AlphaLabel(702, false), std::string("aaa"));
}

void tst_OutlineLayout::romanLabels_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("roman");
    QTest::newRow("4") << 4 << QStringLiteral("IV");
    QTest::newRow("9") << 9 << QStringLiteral("IX");
    QTest::newRow("14") << 14 << QStringLiteral("XIV");
    QTest::newRow("40") << 40 << QStringLiteral("XL");
    QTest::newRow("1994") << 1994 << QStringLiteral("MCMXCIV");
    QTest::newRow("3000") << 3000 << QStringLiteral("MMM");
    QTest::newRow("0") << 0 << QString();
}

void tst_OutlineLayout::romanLabels()
{
    QFETCH(int, n);
    QFETCH(QString, roman);
    QCOMPARE(QString::fromLatin1(RomanLabel(n, false).c_str()), roman);
    QCOMPARE(QString::fromLatin1(RomanLabel(n, true).c_str()), roman.toLower());
}

void tst_OutlineLayout::legalLabels()
{
    CNumbering numbering;
    std::fill(std::begin(numbering.m_Numbering), std::end(numbering.m_Numbering), kNumberLegal);
    const int indices[] = { 2, 0, 1 }; // innermost first
    QCOMPARE(FormatLabel(numbering, 2, indices, 3), std::string("2.1.3"));
    numbering.m_chDivider = '.';
    QCOMPARE(FormatLabel(numbering, 2, indices, 3), std::string("2.1.3."));
    // Other styles only use the item's own index.
    numbering.m_Numbering[2] = kNumberUpperAlpha;
    numbering.m_chDivider = ')';
    QCOMPARE(FormatLabel(numbering, 2, indices, 3), std::string("C)"));
    numbering.m_Numbering[2] = kNumberNone;
    QCOMPARE(FormatLabel(numbering, 2, indices, 3), std::string());
    // A damaged style byte numbers nothing.
    numbering.m_Numbering[2] = 200;
    QCOMPARE(FormatLabel(numbering, 2, indices, 3), std::string());
}

void tst_OutlineLayout::labelBounds()
{
    CNumbering numbering;
    numbering.m_Numbering[0] = kNumberNumeric;
    numbering.m_Numbering[1] = kNumberLegal;
    numbering.m_Numbering[2] = kNumberUpperRoman;
    numbering.m_Numbering[3] = kNumberLowerAlpha;
    numbering.m_chDivider = '.';
    int extents[10] = { 11, 3, 1233, 27 };
    QCOMPARE(LabelBoundText(numbering, 0, extents, '8', 'W', 'm'), std::string("88."));
    QCOMPARE(LabelBoundText(numbering, 1, extents, '8', 'W', 'm'), std::string("88.8."));
    // Count 1234: one M, two C, three X at most, and VIII.
    QCOMPARE(LabelBoundText(numbering, 2, extents, '8', 'W', 'm'), std::string("MCCXXXVIII."));
    QCOMPARE(LabelBoundText(numbering, 3, extents, '8', 'W', 'm'), std::string("mm."));
    QCOMPARE(LabelBoundText(numbering, 4, extents, '8', 'W', 'm'), std::string());
}

QTEST_APPLESS_MAIN(tst_OutlineLayout)
#include "tst_outlinelayout.moc"
