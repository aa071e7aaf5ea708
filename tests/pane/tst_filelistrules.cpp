// The rules of the file pane that need no window: the stored column table,
// the sort order of a list and the context menu's commands.

#include "CabinetNames.h"
#include "FileInfo.h"
#include "FileListColumns.h"
#include "FileSort.h"
#include "FileTreeRoot.h"
#include "PaneMenuRules.h"

#include "FrameTestSupport.h"

#include <QTest>

#include <array>

using namespace cabinet;

class tst_FileListRules : public QObject {
    Q_OBJECT

private slots:
    void columnTableIsTwentySevenLittleEndianBytes();
    void damagedColumnTablesGiveTheDefaults_data();
    void damagedColumnTablesGiveTheDefaults();
    void columnTableSurvivesTheSettingsStore();
    void selectionSortPlacesTheGreatestLast();
    void sameColumnTwiceReversesAndTemplatesIgnoreCategory();
    void contextMenu_data();
    void contextMenu();
    void moveCommandsFollowModeListAndVisibility();
};

namespace {

CTreeData *AddEntry(CFileTreeRoot &root, const char *title, const char *path, const char *category)
{
    auto *entry = new CTreeData;
    entry->m_strTitle = title;
    entry->m_strPath = path;
    entry->m_strCategory = category;
    root.Add(entry);
    return entry;
}

// The titles in list order, separated by commas.
QString Titles(const CFileTreeRoot &root)
{
    QStringList titles;
    for (int i = 0; i < root.GetCount(); ++i)
        titles << QString::fromLatin1(root.GetDataAt(i)->m_strTitle.c_str());
    return titles.join(QLatin1Char(','));
}

} // namespace

void tst_FileListRules::columnTableIsTwentySevenLittleEndianBytes()
{
    CFileListColumns table;
    table.At(1).m_nWidth = 0x0304;
    table.At(2).m_bVisible = false;
    const auto bytes = table.ToBytes();
    QCOMPARE(int(bytes.size()), 27);
    const std::array<unsigned char, 27> expected { 1, 0, 0, 0, 200, 0, 0, 0, 1, //
        4, 0, 0, 0, 4, 3, 0, 0, 1, //
        2, 0, 0, 0, 150, 0, 0, 0, 0 };
    QVERIFY(bytes == expected);
    const CFileListColumns back = CFileListColumns::FromBytes(bytes.data(), 27);
    QCOMPARE(back.At(1).m_nWidth, 0x0304);
    QCOMPARE(back.VisibleCount(), 2);
    QCOMPARE(back.VisibleCode(1), CFileListColumns::kCategory);
}

void tst_FileListRules::damagedColumnTablesGiveTheDefaults_data()
{
    QTest::addColumn<QByteArray>("bytes");
    auto record = [](int code, int width, bool visible) {
        QByteArray r(9, 0);
        r[0] = char(code);
        r[4] = char(width);
        r[8] = visible ? 1 : 0;
        return r;
    };
    QTest::newRow("no category")
        << record(1, 50, true) + record(2, 50, true) + record(2, 60, true);
    QTest::newRow("nothing visible")
        << record(1, 50, false) + record(4, 50, false) + record(2, 60, false);
    QTest::newRow("unknown code")
        << record(1, 50, true) + record(4, 50, true) + record(8, 60, true);
    QTest::newRow("short") << (record(1, 50, true) + record(4, 50, true)).left(17);
    QTest::newRow("empty") << QByteArray();
}

void tst_FileListRules::damagedColumnTablesGiveTheDefaults()
{
    QFETCH(QByteArray, bytes);
    const CFileListColumns table = CFileListColumns::FromBytes(
        reinterpret_cast<const unsigned char *>(bytes.constData()), std::uint32_t(bytes.size()));
    QVERIFY(table.ToBytes() == CFileListColumns().ToBytes());
}

void tst_FileListRules::columnTableSurvivesTheSettingsStore()
{
    CFrameTestRun run;
    CFileListColumns table;
    table.At(0) = { CFileListColumns::kFileName, 77, true };
    table.At(2) = { CFileListColumns::kTitle, 99, false };
    QVERIFY(table.Save(*run.m_settings));
    QVERIFY(CFileListColumns::Load(*run.m_settings).ToBytes() == table.ToBytes());
    run.m_settings->OpenSection("FileList");
    std::uint32_t size = 0;
    QVERIFY(run.m_settings->getBinaryDataSize("Colunms", size));
    run.m_settings->CloseSection();
    QCOMPARE(size, 27u);
}

void tst_FileListRules::selectionSortPlacesTheGreatestLast()
{
    CFileTreeRoot root;
    root.m_nKind = kRootDesktopOutlines;
    AddEntry(root, "beta", "/d/3", "");
    AddEntry(root, "Alpha", "/d/2", "");
    AddEntry(root, "gamma", "/d/1", "");
    AddEntry(root, "ALPHA", "/d/4", "");
    SortRoot(root, { CFileListColumns::kTitle, true });
    // Case does not count, and two equal keys are never swapped with each
    // other: where they end up follows from the other swaps.
    QCOMPARE(Titles(root), QStringLiteral("ALPHA,Alpha,beta,gamma"));
    SortRoot(root, { CFileListColumns::kFileName, true });
    QCOMPARE(QString::fromLatin1(root.GetDataAt(0)->m_strPath.c_str()), QStringLiteral("/d/1"));
}

void tst_FileListRules::sameColumnTwiceReversesAndTemplatesIgnoreCategory()
{
    CFileTreeRoot outlines;
    outlines.m_nKind = kRootHandheldOutlines;
    AddEntry(outlines, "a", "/h/a", "Work");
    AddEntry(outlines, "b", "/h/b", "Home");
    AddEntry(outlines, "c", "/h/c", "Personal");
    SortRoot(outlines, { CFileListColumns::kCategory, false });
    QCOMPARE(Titles(outlines), QStringLiteral("a,c,b"));

    CFileTreeRoot templates;
    templates.m_nKind = kRootHandheldTemplates;
    AddEntry(templates, "z", "/h/z", "B");
    AddEntry(templates, "y", "/h/y", "A");
    SortRoot(templates, { CFileListColumns::kCategory, true });
    QCOMPARE(Titles(templates), QStringLiteral("z,y"));
}

void tst_FileListRules::contextMenu_data()
{
    using namespace pane;
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("onRoot");
    QTest::addColumn<bool>("palm");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QList<int>>("commands");
    QTest::newRow("desktop outline, desktop-only")
        << 2 << false << false << 1
        << QList<int> { kRename, kSaveAsTemplate, kDuplicate, kDelete, kNew };
    QTest::newRow("desktop outline, palm")
        << 2 << false << true << 1
        << QList<int> { kRename, kMoveToHandheld, kSaveAsTemplate, kDuplicate, kDelete, kNew };
    QTest::newRow("handheld template, palm")
        << 5 << false << true << 1
        << QList<int> { kRename, kMoveToDesktop, kNewFromTemplate, kDuplicate, kDelete, kNew };
    QTest::newRow("desktop template, two selected")
        << 3 << false << true << 2 << QList<int> { kMoveToHandheld, kNewFromTemplate, kDelete, kNew };
    QTest::newRow("conflicts file") << 6 << false << true << 3 << QList<int> { kDelete };
    QTest::newRow("conflicts root") << 6 << true << true << 1 << QList<int> {};
    QTest::newRow("handheld root") << 4 << true << true << 1 << QList<int> { kNew };
}

void tst_FileListRules::contextMenu()
{
    QFETCH(int, kind);
    QFETCH(bool, onRoot);
    QFETCH(bool, palm);
    QFETCH(int, selected);
    QFETCH(QList<int>, commands);
    const std::vector<int> got = pane::ContextMenuCommands(kind, onRoot, palm, selected);
    QCOMPARE(QList<int>(got.begin(), got.end()), commands);
}

void tst_FileListRules::moveCommandsFollowModeListAndVisibility()
{
    QVERIFY(pane::CanMoveToDesktop(kRootHandheldOutlines, true, true));
    QVERIFY(!pane::CanMoveToDesktop(kRootHandheldOutlines, false, true));
    QVERIFY(!pane::CanMoveToDesktop(kRootHandheldOutlines, true, false));
    QVERIFY(!pane::CanMoveToDesktop(kRootConflicts, true, true));
    QVERIFY(!pane::CanMoveToDesktop(kRootDesktopOutlines, true, true));
    QVERIFY(pane::CanMoveToHandheld(kRootDesktopOutlines, true, true));
    QVERIFY(!pane::CanMoveToHandheld(kRootHandheldOutlines, true, true));
}

QTEST_MAIN(tst_FileListRules)
#include "tst_filelistrules.moc"
