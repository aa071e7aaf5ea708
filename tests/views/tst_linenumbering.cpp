// Numbering schemes, legal numbers to the deepest level, the two numbering
// dialogs, and applying a numbering to an open view.

#include "LineNrsCustomDlg.h"
#include "LineNrsDlg.h"
#include "QtStrings.h"
#include "UndoOutlineMan.h"
#include "ViewFixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <iterator>

namespace {

std::string LabelOf(const COutlineMan &man, const CNumbering &numbering, const char *text)
{
    const COutlineNode *node = NodeOf(man, text);
    int indices[COutlineItem::kLevelCount];
    int count = 0;
    man.GetIndexPath(node, indices, count);
    return FormatLabel(numbering, node->m_Item.m_nLevel, indices, count);
}

CNumbering AllLevels(std::uint8_t style, char divider = 0)
{
    CNumbering n;
    std::fill(std::begin(n.m_Numbering), std::end(n.m_Numbering), style);
    n.m_chDivider = divider;
    return n;
}

// Ten levels deep: l is the second child at the tenth level, under the
// second child of the first top-level item.
const char kDeep[] = "a+ (b c+ (d+ (e+ (f+ (g+ (h+ (i+ (j+ (k l))))))))) z";

// A numbering dialog whose custom dialog answers with fixed styles.
class CScriptedNrsDlg : public CLineNrsDlg {
public:
    using CLineNrsDlg::CLineNrsDlg;
    bool RunCustomDialog(std::uint8_t *styles) override
    {
        ++m_nCustomRuns;
        std::copy(std::begin(m_Answer), std::end(m_Answer), styles);
        return true;
    }
    std::uint8_t m_Answer[10] = { 1, 1, 4, 4, 2, 2, 3, 3, 5, 6 };
    int m_nCustomRuns = 0;
};

} // namespace

class tst_LineNumbering : public QObject {
    Q_OBJECT
private slots:
    void schemesAndDetection();
    void legalNumbersToTheTenthLevel();
    void stylesOfOneLevelAndDividers();
    void dialogTakesPredefinedStylesAndDivider();
    void numberingIsUndoneInOneStep();
    void conflictsOutlineRefusesNumberingAndDrawings();
    void dialogCustomSchemeKeepsTheChosenStyles();
    void customDialogKeepsTheTenthLevel();
    void applyingChangesOnlyWhatDiffers();
};

void tst_LineNumbering::schemesAndDetection()
{
    std::uint8_t styles[10];
    for (int scheme = kSchemeNone; scheme < kSchemeCustom; ++scheme) {
        QVERIFY(SchemeStyles(scheme, styles));
        QCOMPARE(DetectScheme(styles), scheme);
        // The tenth level is never numbered by a predefined scheme.
        QCOMPARE(int(styles[9]), 0);
    }
    QVERIFY(!SchemeStyles(kSchemeCustom, styles));
    QVERIFY(!SchemeStyles(-1, styles));
    const std::uint8_t numericHead[10] = { 4, 4, 4, 4, 1, 2, 3, 5, 6, 6 };
    QCOMPARE(DetectScheme(numericHead), int(kSchemeNumeric));
    const std::uint8_t custom[10] = { 4, 4, 4, 3, 4, 4, 4, 4, 4, 0 };
    QCOMPARE(DetectScheme(custom), int(kSchemeCustom));
}

void tst_LineNumbering::legalNumbersToTheTenthLevel()
{
    COutlineMan man;
    MakeOutline(man, kDeep);
    QCOMPARE(int(NodeOf(man, "l")->m_Item.m_nLevel), 9);
    const CNumbering legal = AllLevels(kNumberLegal);
    QCOMPARE(LabelOf(man, legal, "l"), std::string("1.2.1.1.1.1.1.1.1.2"));
    QCOMPARE(LabelOf(man, legal, "k"), std::string("1.2.1.1.1.1.1.1.1.1"));
    QCOMPARE(LabelOf(man, legal, "z"), std::string("2"));
    QCOMPARE(LabelOf(man, AllLevels(kNumberLegal, '.'), "l"), std::string("1.2.1.1.1.1.1.1.1.2."));
    // The predefined legal scheme leaves the tenth level without a label.
    CNumbering scheme;
    SchemeStyles(kSchemeLegal, scheme.m_Numbering);
    QCOMPARE(LabelOf(man, scheme, "l"), std::string());
    QCOMPARE(LabelOf(man, scheme, "j"), std::string("1.2.1.1.1.1.1.1.1"));

    // A hidden checked sibling does not take a number.
    COutlineMan hidden;
    MakeOutline(hidden, "a+ (x:b c+ (d e))");
    hidden.SetShowChecked(false);
    hidden.Renumber();
    QCOMPARE(LabelOf(hidden, legal, "e"), std::string("1.1.2"));
}

void tst_LineNumbering::stylesOfOneLevelAndDividers()
{
    COutlineMan man;
    MakeOutline(man, "a b c d e f g h i j k l m n o p q r s t u v w x y z aa ab");
    QCOMPARE(LabelOf(man, AllLevels(kNumberUpperAlpha, ')'), "z"), std::string("Z)"));
    QCOMPARE(LabelOf(man, AllLevels(kNumberUpperAlpha), "aa"), std::string("AA"));
    QCOMPARE(LabelOf(man, AllLevels(kNumberLowerAlpha), "ab"), std::string("ab"));
    QCOMPARE(LabelOf(man, AllLevels(kNumberUpperRoman), "n"), std::string("XIV"));
    QCOMPARE(LabelOf(man, AllLevels(kNumberLowerRoman, '.'), "d"), std::string("iv."));
    QCOMPARE(LabelOf(man, AllLevels(kNumberNumeric), "ab"), std::string("28"));
    QCOMPARE(LabelOf(man, AllLevels(kNumberNone, '.'), "a"), std::string());
}

void tst_LineNumbering::dialogTakesPredefinedStylesAndDivider()
{
    CNumbering start = AllLevels(kNumberNumeric, ')');
    start.m_Numbering[9] = kNumberUpperRoman;
    CScriptedNrsDlg dialog(start);
    QCOMPARE(dialog.SchemeBox()->currentIndex(), int(kSchemeNumeric));
    QCOMPARE(dialog.DividerBox()->currentText(), QStringLiteral(")"));
    QVERIFY(dialog.DividerBox()->isEnabled());
    QVERIFY(dialog.CustomButton()->isHidden());
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // Choosing a predefined scheme resets a custom tenth level.
    QCOMPARE(int(dialog.Numbering().m_Numbering[9]), 0);
    QCOMPARE(dialog.Numbering().m_chDivider, ')');

    CScriptedNrsDlg none(start);
    none.SchemeBox()->setCurrentIndex(kSchemeNone);
    QVERIFY(!none.DividerBox()->isEnabled());
    none.DividerBox()->setCurrentIndex(0);
    none.accept();
    QCOMPARE(int(none.Numbering().m_Numbering[0]), 0);
    QCOMPARE(none.Numbering().m_chDivider, '\0');
    QCOMPARE(none.m_nCustomRuns, 0);
}

void tst_LineNumbering::dialogCustomSchemeKeepsTheChosenStyles()
{
    CScriptedNrsDlg dialog(AllLevels(kNumberNumeric));
    dialog.SchemeBox()->setCurrentIndex(kSchemeCustom);
    QCOMPARE(dialog.m_nCustomRuns, 1);
    QVERIFY(!dialog.CustomButton()->isHidden());
    dialog.DividerBox()->setCurrentIndex(1);
    dialog.accept();
    QVERIFY(std::equal(std::begin(dialog.m_Answer), std::end(dialog.m_Answer),
        std::begin(dialog.Numbering().m_Numbering)));
    QCOMPARE(dialog.Numbering().m_chDivider, '.');

    // An outline whose styles match no scheme opens as Custom.
    CNumbering mixed = AllLevels(kNumberLegal);
    mixed.m_Numbering[3] = kNumberLowerRoman;
    CScriptedNrsDlg custom(mixed);
    QCOMPARE(custom.SchemeBox()->currentIndex(), int(kSchemeCustom));
    QCOMPARE(custom.m_nCustomRuns, 0);
    custom.accept();
    QCOMPARE(int(custom.Numbering().m_Numbering[3]), int(kNumberLowerRoman));
}

void tst_LineNumbering::customDialogKeepsTheTenthLevel()
{
    const std::uint8_t start[10] = { 4, 3, 2, 1, 6, 5, 0, 4, 4, 6 };
    CLineNrsCustomDlg dialog(start);
    std::uint8_t styles[10];
    dialog.GetStyles(styles);
    QVERIFY(std::equal(std::begin(start), std::end(start), std::begin(styles)));
    auto *first = dialog.findChildren<QComboBox *>().value(0);
    QVERIFY(first);
    first->setCurrentIndex(first->findData(int(kNumberUpperRoman)));
    dialog.GetStyles(styles);
    QCOMPARE(int(styles[0]), int(kNumberUpperRoman));
    QCOMPARE(int(styles[9]), 6);
}

void tst_LineNumbering::applyingChangesOnlyWhatDiffers()
{
    CViewFixture f;
    f.Open(kDeep);
    CZumraView &v = f.View();
    const int textBefore = v.Layout().m_xText[0];
    CNumbering legal = AllLevels(kNumberLegal, '.');
    QVERIFY(ApplyLineNumbering(v, legal));
    std::uint8_t stored[10];
    f.m_Man.GetNumbering(stored);
    QVERIFY(std::equal(std::begin(stored), std::end(stored), std::begin(legal.m_Numbering)));
    QCOMPARE(int(f.m_Man.GetDB()->getNumberingDivider() & 0xFF), int('.'));
    // The label column opened in front of the texts.
    QVERIFY(v.Layout().m_nLabelWidth[9] > 0);
    QVERIFY(v.Layout().m_xText[0] > textBefore);
    // The same numbering again changes nothing.
    QVERIFY(!ApplyLineNumbering(v, legal));
    legal.m_chDivider = ')';
    QVERIFY(ApplyLineNumbering(v, legal));
}

void tst_LineNumbering::numberingIsUndoneInOneStep()
{
    CViewFixture f;
    f.Open(kDeep);
    CZumraView &v = f.View();
    const CNumbering before = v.Geometry().Numbering();
    const int textBefore = v.Layout().m_xText[0];
    QVERIFY(ApplyLineNumbering(v, AllLevels(kNumberLegal, '.')));
    QCOMPARE(LabelOf(f.m_Man, v.Geometry().Numbering(), "l"), std::string("1.2.1.1.1.1.1.1.1.2."));
    QCOMPARE(ToQString(f.m_Man.GetUndo()->GetUndoMenuText()).section(QLatin1Char('\t'), 0, 0),
        QStringLiteral("&Undo Line Numbers"));

    QVERIFY(v.RunCommand(outline_cmd::kUndo));
    std::uint8_t stored[10];
    f.m_Man.GetNumbering(stored);
    QVERIFY(std::equal(std::begin(stored), std::end(stored), std::begin(before.m_Numbering)));
    // The view took the old numbering back: no label column any more.
    QVERIFY(std::equal(std::begin(before.m_Numbering), std::end(before.m_Numbering),
        std::begin(v.Geometry().Numbering().m_Numbering)));
    v.Layout();
    QCOMPARE(v.Layout().m_xText[0], textBefore);

    QVERIFY(v.RunCommand(outline_cmd::kRedo));
    f.m_Man.GetNumbering(stored);
    QCOMPARE(int(stored[0]), int(kNumberLegal));
    QCOMPARE(int(f.m_Man.GetDB()->getNumberingDivider() & 0xFF), int('.'));
    QCOMPARE(int(v.Geometry().Numbering().m_chDivider), int('.'));
}

void tst_LineNumbering::conflictsOutlineRefusesNumberingAndDrawings()
{
    CViewFixture f;
    f.m_Host.m_bConflict = true;
    f.Open(kDeep);
    QVERIFY(!ApplyLineNumbering(f.View(), AllLevels(kNumberLegal, '.')));
    std::uint8_t stored[10];
    f.m_Man.GetNumbering(stored);
    QCOMPARE(int(stored[0]), int(kNumberNone));
    QCOMPARE(f.m_Host.m_Messages.size(), 1);
    QVERIFY(!f.m_Man.GetUndo()->CanUndo());
    // The drawing editor would write into the item: refused with the same
    // message rather than silently.
    f.View().setFocus();
    f.View().RunCommand(outline_cmd::kAttachDrawing);
    QCOMPARE(f.m_Host.m_Messages.size(), 2);
    QCOMPARE(f.m_Host.m_Messages.at(1), f.m_Host.m_Messages.at(0));
}

QTEST_MAIN(tst_LineNumbering)
#include "tst_linenumbering.moc"
