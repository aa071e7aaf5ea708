// The concrete view: its initial update from the stored settings, the view
// state it stores for saving, the document's update hints, and the guard
// that keeps an escaping exception from losing the user's edits.

#include "RecoveryCopy.h"
#include "ViewFixture.h"

#include "kx_gen/Exception.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

// A view whose mouse handler fails the way a broken command would.
class CFailingView : public CZumraView {
public:
    using CZumraView::CZumraView;
    enum { kStorage, kForeign } m_nFailure = kStorage;
    int m_nPresses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        ++m_nPresses;
        if (m_nFailure == kStorage)
            throw new kx_gen::CException("The disk refused the record.");
        throw std::runtime_error("broken");
    }
};

std::string Items(int count)
{
    std::string line;
    for (int i = 0; i < count; ++i)
        line += "i" + std::to_string(i) + " ";
    return line;
}

} // namespace

class tst_ZumraView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void initialUpdateFromTheHeader();
    void storedRowsAreClamped();
    void storedModeAboveTwoBecomesTwo();
    void justCreatedStartsAtTheFirstItem();
    void anOutlineWithoutItemsGetsOne();
    void viewStateRoundTrip();
    void updateHints();
    void escapingExceptionWritesARecoveryCopy();
    void foreignExceptionAndFailedCopy();
    void recoveryCopyNames();
};

void tst_ZumraView::initialUpdateFromTheHeader()
{
    CViewFixture f;
    MakeOutline(f.m_Man, Items(30) + "x:done");
    f.SetStoredMode(2);
    kx_gen::COutlineDB *db = f.m_Man.GetDB();
    kx_gen::LOGFONT font;
    font.lfHeight = -20;
    std::strcpy(font.lfFaceName, "DejaVu Sans");
    db->SetOutlineFont(font, kx_gen::RGB(200, 0, 0));
    db->SetSelectedIndex(12);
    db->SetTopIndex(7);
    db->SetShowHeadingsMode(3);
    f.Show(6);
    CZumraView &v = f.View();
    QVERIFY(v.IsReady());
    QCOMPARE(f.m_Host.m_Calls.value(0), QStringLiteral("PrepareFrame"));
    QCOMPARE(v.GetCheckMode(), CZumraView::kHideCheckedItems);
    QVERIFY(!f.m_Man.GetShowChecked());
    QVERIFY(v.Layout().m_bShowCheckBoxes);
    QCOMPARE(v.Geometry().TotalRows(), 30); // "done" is checked and hidden
    QCOMPARE(v.GetOutlineFont().pixelSize(), 20);
    QCOMPARE(v.TextColor(), QColor(200, 0, 0));
    QCOMPARE(v.GetHeadingLevel(), 3);
    QVERIFY(!v.IsCustomExpansion());
    QCOMPARE(f.Caret(), QStringLiteral("i12@0:0"));
    QCOMPARE(v.GetTopRow(), 7);
    QCOMPARE(v.GetStatusText(), QStringLiteral("Ln 13, Col 1"));
    QVERIFY(!f.m_Host.m_Calls.contains(QStringLiteral("CloseWindow")));
}

void tst_ZumraView::storedRowsAreClamped()
{
    CViewFixture f;
    MakeOutline(f.m_Man, Items(20));
    f.SetStoredMode(0);
    f.m_Man.GetDB()->SetSelectedIndex(5000);
    f.m_Man.GetDB()->SetTopIndex(5000);
    f.m_Man.GetDB()->SetShowHeadingsMode(10);
    f.Show(5);
    QCOMPARE(f.Caret(), QStringLiteral("i19@0:0"));
    QCOMPARE(f.View().GetTopRow(), 19);
    QVERIFY(f.View().IsCustomExpansion());
    QCOMPARE(f.View().GetHeadingLevel(), 9);
}

void tst_ZumraView::storedModeAboveTwoBecomesTwo()
{
    CViewFixture f;
    MakeOutline(f.m_Man, "a x:b");
    f.SetStoredMode(7);
    f.Show();
    QCOMPARE(f.View().GetCheckMode(), CZumraView::kHideCheckedItems);
    std::uint8_t stored = 0;
    f.m_Man.GetDB()->GetPrivateOutlineHeaderPtr()->GetTags().getUInt8(
        kx_gen::CPrivateOutlineHeader::kShowCheckedTag, stored);
    QCOMPARE(int(stored), 2);

    CViewFixture g;
    MakeOutline(g.m_Man, "a x:b");
    g.SetStoredMode(1);
    g.Show();
    QCOMPARE(g.View().GetCheckMode(), CZumraView::kHideCheckBoxes);
    QVERIFY(!g.View().Layout().m_bShowCheckBoxes);
    QVERIFY(g.m_Man.GetShowChecked());
}

void tst_ZumraView::justCreatedStartsAtTheFirstItem()
{
    CViewFixture f;
    MakeOutline(f.m_Man, Items(10));
    f.m_Man.GetDB()->SetSelectedIndex(4);
    f.m_Man.GetDB()->SetTopIndex(4);
    f.m_Host.m_bJustCreated = true;
    f.Show(3);
    QCOMPARE(f.Caret(), QStringLiteral("i0@0:0"));
    QCOMPARE(f.View().GetTopRow(), 0);
    // New outlines show their check boxes, whatever the header's default.
    QCOMPARE(f.View().GetCheckMode(), CZumraView::kShowCheckBoxes);
}

void tst_ZumraView::anOutlineWithoutItemsGetsOne()
{
    CViewFixture f;
    QVERIFY(f.m_Man.NewOutline(false));
    f.SetStoredMode(0);
    f.Show();
    QVERIFY(f.View().IsReady());
    QVERIFY(f.m_Man.GetFirstVisible());
    QCOMPARE(f.View().GetCaret(), COutlinePos(0, 0, f.m_Man.GetFirstVisible()));
    QCOMPARE(f.View().Geometry().TotalRows(), 1);

    // A manager without an outline cannot show anything: the window closes
    // unmodified, without a message.
    CViewFixture g;
    g.Show();
    QVERIFY(!g.View().IsReady());
    QTRY_VERIFY(g.m_Host.m_Calls.contains(QStringLiteral("CloseWindow")));
    QVERIFY(g.m_Host.m_Messages.isEmpty());
    QVERIFY(!g.m_Host.m_bModified);
}

void tst_ZumraView::viewStateRoundTrip()
{
    CViewFixture f;
    MakeOutline(f.m_Man, Items(40) + "x:last");
    f.SetStoredMode(0);
    f.Show(6);
    CZumraView &v = f.View();
    v.SetCaret(COutlinePos(1, 0, f.Node("i25")));
    v.ScrollToRow(22);
    v.ApplyCheckMode(CZumraView::kHideCheckedItems);
    QVERIFY(v.StoreViewState());
    kx_gen::COutlineDB *db = f.m_Man.GetDB();
    QCOMPARE(db->GetSelectedIndex(), 25u);
    QCOMPARE(db->GetTopIndex(), 22u);
    QCOMPARE(int(db->GetShowHeadingsMode()), 10);
    std::uint8_t stored = 0;
    db->GetPrivateOutlineHeaderPtr()->GetTags().getUInt8(
        kx_gen::CPrivateOutlineHeader::kShowCheckedTag, stored);
    QCOMPARE(int(stored), 2);

    // A second view on the same outline comes up where the first one was.
    f.m_pView.reset();
    f.m_Man.SetShowChecked(true);
    f.Show(6);
    QCOMPARE(f.Caret(), QStringLiteral("i25@0:0"));
    QCOMPARE(f.View().GetTopRow(), 22);
    QCOMPARE(f.View().GetCheckMode(), CZumraView::kHideCheckedItems);
}

void tst_ZumraView::updateHints()
{
    CViewFixture f;
    f.Open(Items(30), 5);
    CZumraView &v = f.View();
    // Numbering changed behind the view's back: hint 0 recomputes it all.
    std::uint8_t scheme[10] = { 4 };
    f.m_Man.SetNumbering(scheme);
    v.ReadNumbering();
    v.OnUpdate(CZumraView::kHintRecalcAll);
    QVERIFY(v.Layout().m_nLabelWidth[0] > 0);
    QCOMPARE(v.Layout().m_xText[0], v.Layout().m_xLabel[0] + v.Layout().m_nLabelWidth[0]);

    // The cabinet hints do nothing in an ordinary outline's view.
    v.SetCaret(COutlinePos(0, 0, f.Node("i20")));
    v.EnsureVisible(v.GetCaret());
    const int top = v.GetTopRow();
    QVERIFY(top > 0);
    v.OnUpdate(CZumraView::kHintCabinetReset);
    QCOMPARE(f.Caret(), QStringLiteral("i20@0:0"));
    QCOMPARE(v.GetTopRow(), top);
    // In the filing cabinet's view hint 1 starts at the first item.
    f.m_Host.m_bCabinet = true;
    v.OnUpdate(CZumraView::kHintCabinetReset);
    QCOMPARE(f.Caret(), QStringLiteral("i0@0:0"));
    QCOMPARE(v.GetTopRow(), 0);
    v.OnUpdate(CZumraView::kHintCabinetRecalc);
    QVERIFY(v.IsReady());
}

void tst_ZumraView::escapingExceptionWritesARecoveryCopy()
{
    QTemporaryDir folder;
    CViewFixture f;
    MakeOutline(f.m_Man, "Plans+ (Garden Kitchen) Reading");
    f.SetStoredMode(0);
    f.m_Man.GetDB()->SetOutlineTitle("House plans");
    f.m_Man.GetDB()->SetCategoryName("Home");
    QString written;
    f.m_Host.m_Recover = [&](QString *where) {
        written = RecoveryCopyPath(folder.filePath(QStringLiteral("Plans.kxo")), QString());
        *where = written;
        return WriteRecoveryCopy(f.m_Man, written);
    };
    f.Show<CFailingView>();
    auto &v = static_cast<CFailingView &>(f.View());
    const QPoint point = Centre(v.Geometry().SymbolRect(f.Node("Garden"), COutlineHit::kCheckBox));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(v.m_nPresses, 1);
    QVERIFY(v.HasFailed());
    QVERIFY(!v.IsReady());
    // The copy comes first, then the message naming it, then the window
    // closes without saving, from a later turn of the event loop.
    QCOMPARE(f.m_Host.m_Calls.mid(1),
        QStringList({ QStringLiteral("WriteRecoveryCopy"), QStringLiteral("ShowMessage"),
            QStringLiteral("SetModified(0)") }));
    QVERIFY(
        f.m_Host.m_Messages.value(0).startsWith(QStringLiteral("The disk refused the record.")));
    QVERIFY(f.m_Host.m_Messages.value(0).contains(written));
    QTRY_COMPARE(f.m_Host.m_Calls.value(4), QStringLiteral("CloseWindow"));
    // No further work reaches the broken view.
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(v.m_nPresses, 1);
    QCOMPARE(f.m_Host.m_Messages.size(), 1);
    QVERIFY(!v.StoreViewState());

    // The copy opens as an outline with every item.
    COutlineMan copy;
    QVERIFY(copy.Load(QFile::encodeName(written).constData()));
    QCOMPARE(copy.DebugDump().str(), f.m_Man.DebugDump().str());
    QCOMPARE(copy.GetDB()->GetOutlineTitle().str(), std::string("House plans"));
    QCOMPARE(copy.GetCategoryName().str(), std::string("Home"));
    QVERIFY(!QFile::exists(written + QStringLiteral(".part")));
    QVERIFY(written.startsWith(folder.filePath(QStringLiteral("Plans (recovered "))));
}

void tst_ZumraView::foreignExceptionAndFailedCopy()
{
    CViewFixture f;
    MakeOutline(f.m_Man, "a b");
    f.SetStoredMode(0);
    f.m_Host.m_Recover = [](QString *) { return false; };
    f.Show<CFailingView>();
    auto &v = static_cast<CFailingView &>(f.View());
    v.m_nFailure = CFailingView::kForeign;
    QPoint point;
    QVERIFY(v.PointFromPos(COutlinePos(0, 0, f.Node("b")), &point));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(f.m_Host.m_Messages.size(), 1);
    const QString message = f.m_Host.m_Messages.front();
    QVERIFY(message.startsWith(
        QStringLiteral("Unknown exception - Please contact your program vendor")));
    QVERIFY(message.contains(QStringLiteral("could not be written")));
    QVERIFY(!f.m_Host.m_bModified);
    QTRY_VERIFY(f.m_Host.m_Calls.contains(QStringLiteral("CloseWindow")));
}

void tst_ZumraView::recoveryCopyNames()
{
    QTemporaryDir folder;
    const QDateTime when(QDate(2026, 12, 9), QTime(3, 17));
    const QString beside = RecoveryCopyPath(
        folder.filePath(QStringLiteral("Plans.kxt")), QStringLiteral("ignored"), when);
    QCOMPARE(beside, folder.filePath(QStringLiteral("Plans (recovered 2026-12-09 0317).kxt")));
    // A name in use gets a number.
    QFile taken(beside);
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    QCOMPARE(RecoveryCopyPath(folder.filePath(QStringLiteral("Plans.kxt")), QString(), when),
        folder.filePath(QStringLiteral("Plans (recovered 2026-12-09 0317) 2.kxt")));
    // Never saved: the data folder, the title made a file name.
    QCOMPARE(RecoveryCopyPath(QString(), QStringLiteral("To do: a/b"), when, folder.path()),
        folder.filePath(QStringLiteral("Recovered/To do_ a_b (recovered 2026-12-09 0317).kxo")));
    QVERIFY(RecoveryCopyPath(QString(), QString(), when)
                .startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

QTEST_MAIN(tst_ZumraView)
#include "tst_zumraview.moc"
