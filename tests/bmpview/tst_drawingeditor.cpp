// The drawing editor: an item's drawing through the editor and back
// without loss, replacing it from image files and the clipboard, the
// handheld formats, the size rule on closing, and failures that must leave
// the drawing as it was.

#include "BmpChildFrame.h"
#include "BmpDoc.h"
#include "BmpView.h"
#include "DrawingCommands.h"
#include "QtImages.h"
#include "ViewFixture.h"

#include "kx_gen/DibTypes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A manager that counts what the editor marks.
class CCountingMan : public COutlineMan {
public:
    void SetModified(bool modified) override
    {
        if (modified)
            ++m_nModified;
    }
    int m_nModified = 0;
};

// A view whose questions are answered from the test.
class CScriptedView : public CBmpView {
public:
    bool Confirm(const QString &question) override
    {
        m_Questions << question;
        return m_bYes;
    }
    int AskOversize() override
    {
        ++m_nOversizeAsked;
        return m_nOversize;
    }
    void ShowError(const QString &text) override { m_Errors << text; }
    QString AskImageFile() override { return m_strFile; }

    bool m_bYes = true;
    int m_nOversize = CDrawingPicture::kClip;
    int m_nOversizeAsked = 0;
    QString m_strFile;
    QStringList m_Questions;
    QStringList m_Errors;
};

// Left half red, right half blue, with a green dot at (1, 1).
QImage TwoColours(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter p(&image);
    p.fillRect(QRect(0, 0, width / 2, height), Qt::red);
    p.end();
    image.setPixel(1, 1, qRgb(0, 255, 0));
    return image;
}

void GiveDrawing(COutlineMan &man, COutlineNode *node, const QImage &image)
{
    const kx_gen::HMEM dib = QImageToDib(image);
    QVERIFY(dib);
    QVERIFY(man.SetItemDrawing(node, dib));
    kx_gen::MemFree(dib);
}

QImage DrawingOf(const COutlineNode *node)
{
    const kx_gen::HMEM dib = node->m_Item.GetDrawing();
    if (!dib)
        return QImage();
    QImage image = DibToQImage(dib);
    kx_gen::MemFree(dib);
    return image;
}

int DepthOfDrawing(const COutlineNode *node)
{
    const kx_gen::HMEM dib = node->m_Item.GetDrawing();
    if (!dib)
        return 0;
    const auto *header = static_cast<const kx_gen::BITMAPINFOHEADER *>(kx_gen::MemGetPtr(dib));
    const int bits = header->biBitCount;
    kx_gen::MemReleasePtr(dib);
    kx_gen::MemFree(dib);
    return bits;
}

QSet<QRgb> Colours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) | 0xFF000000u);
    return colours;
}

struct CEditorRun {
    CEditorRun()
    {
        MakeOutline(m_Man, "a b c");
        m_pNode = NodeOf(m_Man, "b");
    }
    CBmpChildFrame *Open()
    {
        m_pView = new CScriptedView;
        m_pFrame = new CBmpChildFrame(m_Man, m_pNode, nullptr, m_pView);
        m_pFrame->show();
        return m_pFrame;
    }
    // Closes the window; true when it went.
    bool Close()
    {
        QPointer<CBmpChildFrame> frame(m_pFrame);
        frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return frame.isNull();
    }
    CCountingMan m_Man;
    COutlineNode *m_pNode = nullptr;
    CScriptedView *m_pView = nullptr;
    CBmpChildFrame *m_pFrame = nullptr;
};

} // namespace

class tst_DrawingEditor : public QObject {
    Q_OBJECT
private slots:
    void itemWithoutDrawingShowsTheCanvas();
    void drawingRoundTripsWithoutLoss();
    void openingImageFilesShrinksThemProportionally();
    void failedImportsChangeNothing();
    void pastingClipsOrShrinks();
    void handheldFormatsAndBack();
    void deleteAsksAndRemovesTheDrawing();
    void oversizedDrawingIsShrunkBeforeClosing();
    void oneEditorAtATime();
    void outlineViewShowsTheNewDrawing();

private:
    QTemporaryDir m_Dir;
};

void tst_DrawingEditor::itemWithoutDrawingShowsTheCanvas()
{
    CEditorRun run;
    run.Open();
    const CDrawingPicture &picture = run.m_pView->Picture();
    QVERIFY(!picture.HasPicture());
    QCOMPARE(picture.Size(), QSize(160, 140));
    QVERIFY(!run.m_pFrame->Action(57634)->isEnabled()); // Copy
    // Clear on the canvas does not ask.
    run.m_pView->OnFileNew();
    QVERIFY(run.m_pView->m_Questions.isEmpty());
    QVERIFY(run.Close());
    QVERIFY(!run.m_pNode->m_Item.HasDrawing());
}

void tst_DrawingEditor::drawingRoundTripsWithoutLoss()
{
    CEditorRun run;
    const QImage original = TwoColours(100, 60);
    GiveDrawing(run.m_Man, run.m_pNode, original);
    const int modifiedBefore = run.m_Man.m_nModified;
    run.Open();
    QVERIFY(run.m_pView->Picture().HasPicture());
    QCOMPARE(run.m_pView->Picture().Image(), original);
    QCOMPARE(run.m_pView->Picture().Format(), int(CDrawingPicture::kFormatWindows));
    QVERIFY(run.Close());
    QCOMPARE(DrawingOf(run.m_pNode), original);
    QCOMPARE(run.m_Man.m_nModified, modifiedBefore);

    // Copy and paste back through the clipboard keeps every pixel too.
    run.Open();
    run.m_pView->OnEditCopy();
    run.m_pView->OnEditPaste();
    QVERIFY(run.m_pView->Picture().IsDirty());
    QVERIFY(run.Close());
    QCOMPARE(DrawingOf(run.m_pNode), original);
    QCOMPARE(run.m_Man.m_nModified, modifiedBefore + 1);
}

void tst_DrawingEditor::openingImageFilesShrinksThemProportionally()
{
    const QString big = QDir(m_Dir.path()).filePath(QStringLiteral("big.jpg"));
    const QString wide = QDir(m_Dir.path()).filePath(QStringLiteral("wide.png"));
    QVERIFY(TwoColours(320, 280).save(big, "JPG"));
    QVERIFY(TwoColours(200, 100).save(wide, "PNG"));

    CEditorRun run;
    run.Open();
    QVERIFY(run.m_pView->OpenFile(big));
    QCOMPARE(run.m_pView->Picture().Size(), QSize(160, 140));
    QVERIFY(run.m_pView->OpenFile(wide));
    QCOMPARE(run.m_pView->Picture().Size(), QSize(160, 80));
    QVERIFY(run.m_pView->m_Errors.isEmpty());
    QVERIFY(run.Close());
    QVERIFY(run.m_pNode->m_Item.HasDrawing());
    QCOMPARE(run.m_pNode->m_Item.m_nDrawWidth, 160);
    QCOMPARE(run.m_pNode->m_Item.m_nDrawHeight, 80);
    QCOMPARE(run.m_Man.m_nModified, 1);
    // The shrinking averages: the left part stays red, the right blue.
    const QImage stored = DrawingOf(run.m_pNode);
    QCOMPARE(QColor(stored.pixel(20, 40)), QColor(Qt::red));
    QCOMPARE(QColor(stored.pixel(140, 40)), QColor(Qt::blue));

    QCOMPARE(CDrawingPicture::ProportionalFit(QSize(1000, 10)), QSize(160, 1));
    QCOMPARE(CDrawingPicture::ProportionalFit(QSize(160, 140)), QSize(160, 140));
}

void tst_DrawingEditor::failedImportsChangeNothing()
{
    const QString broken = QDir(m_Dir.path()).filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG\r\n\x1a\n this is no picture at all");
    file.close();

    CEditorRun run;
    const QImage original = TwoColours(50, 40);
    GiveDrawing(run.m_Man, run.m_pNode, original);
    run.Open();
    QVERIFY(!run.m_pView->OpenFile(broken));
    QVERIFY(!run.m_pView->OpenFile(QDir(m_Dir.path()).filePath(QStringLiteral("missing.gif"))));
    QCOMPARE(run.m_pView->m_Errors.size(), 2);
    QCOMPARE(run.m_pView->Picture().Image(), original);
    QVERIFY(!run.m_pView->Picture().IsDirty());
    // An empty clipboard or a cancelled oversize question pastes nothing.
    QVERIFY(!run.m_pView->PasteImage(QImage()));
    run.m_pView->m_nOversize = CDrawingPicture::kCancel;
    QVERIFY(!run.m_pView->PasteImage(TwoColours(400, 400)));
    QCOMPARE(run.m_pView->m_nOversizeAsked, 1);
    QVERIFY(!run.m_pView->Picture().IsDirty());
    // A format that does not exist converts nothing.
    QVERIFY(!run.m_pView->ConvertTo(32999));
    QCOMPARE(run.m_pView->Picture().Image(), original);
    QVERIFY(run.Close());
    QCOMPARE(DrawingOf(run.m_pNode), original);
    QCOMPARE(run.m_Man.m_nModified, 0);

    // Storing into an item without a record fails, and says so.
    CDrawingPicture picture;
    QVERIFY(picture.Paste(original, CDrawingPicture::kClip));
    COutlineNode loose;
    QVERIFY(!picture.WriteBack(run.m_Man, &loose));
}

void tst_DrawingEditor::pastingClipsOrShrinks()
{
    CEditorRun run;
    run.Open();
    run.m_pView->m_nOversize = CDrawingPicture::kClip;
    QVERIFY(run.m_pView->PasteImage(TwoColours(320, 100)));
    const QImage clipped = run.m_pView->Picture().Image();
    QCOMPARE(clipped.size(), QSize(160, 100));
    QCOMPARE(Colours(clipped), (QSet<QRgb> { qRgb(255, 0, 0), qRgb(0, 255, 0) }));

    run.m_pView->m_nOversize = CDrawingPicture::kShrink;
    QVERIFY(run.m_pView->PasteImage(TwoColours(320, 100)));
    QCOMPARE(run.m_pView->Picture().Size(), QSize(160, 50));
    QCOMPARE(QColor(run.m_pView->Picture().Image().pixel(150, 25)), QColor(Qt::blue));
    QCOMPARE(run.m_pView->m_nOversizeAsked, 2);

    // A picture that fits is taken as it is, without asking.
    QVERIFY(run.m_pView->PasteImage(TwoColours(30, 20)));
    QCOMPARE(run.m_pView->m_nOversizeAsked, 2);
    QCOMPARE(run.m_pView->Picture().Image(), TwoColours(30, 20));
    QVERIFY(run.Close());
}

void tst_DrawingEditor::handheldFormatsAndBack()
{
    const QImage original = TwoColours(64, 32);
    struct TCase {
        int m_nFormat;
        int m_nDepth;
        int m_nMaxColours;
    };
    const TCase cases[] = {
        { CDrawingPicture::kFormatPalm2, 1, 2 },
        { CDrawingPicture::kFormatPalm4, 4, 4 },
        { CDrawingPicture::kFormatPalm16Grey, 4, 16 },
        { CDrawingPicture::kFormatPalm16, 4, 16 },
        { CDrawingPicture::kFormatPalm256, 8, 256 },
    };
    for (const TCase &c : cases) {
        CEditorRun run;
        GiveDrawing(run.m_Man, run.m_pNode, original);
        run.Open();
        QAction *format = run.m_pFrame->Action(c.m_nFormat);
        QVERIFY(format && format->isEnabled());
        format->trigger();
        QVERIFY2(run.m_pView->m_Errors.isEmpty(), qPrintable(run.m_pView->m_Errors.value(0)));
        QCOMPARE(run.m_pView->Picture().Format(), c.m_nFormat);
        QVERIFY(format->isChecked());
        const QImage reduced = run.m_pView->Picture().Image();
        QCOMPARE(reduced.size(), original.size());
        QVERIFY(Colours(reduced).size() <= c.m_nMaxColours);
        QVERIFY(run.Close());
        // The item now holds the handheld depth, and reopening shows
        // exactly the reduced picture.
        QCOMPARE(DepthOfDrawing(run.m_pNode), c.m_nDepth);
        QCOMPARE(DrawingOf(run.m_pNode), reduced);
        run.Open();
        QCOMPARE(run.m_pView->Picture().Image(), reduced);
        // And back to true colour without changing a pixel.
        run.m_pFrame->Action(CDrawingPicture::kFormatWindows)->trigger();
        QCOMPARE(run.m_pView->Picture().Image(), reduced);
        QVERIFY(run.Close());
        QCOMPARE(DepthOfDrawing(run.m_pNode), 24);
    }
    // Black and white keeps the red and blue halves apart as two colours
    // of the handheld's palette, and colours keep colours.
    CDrawingPicture picture;
    QVERIFY(picture.Paste(original, CDrawingPicture::kClip));
    QVERIFY(picture.ConvertTo(CDrawingPicture::kFormatPalm16));
    QVERIFY(QColor(picture.Image().pixel(5, 5)).red() > 128);
    QVERIFY(QColor(picture.Image().pixel(60, 5)).blue() > 128);
}

void tst_DrawingEditor::deleteAsksAndRemovesTheDrawing()
{
    CEditorRun run;
    GiveDrawing(run.m_Man, run.m_pNode, TwoColours(40, 40));
    int drawingNotices = 0;
    struct TCounter {
        static void Notify(void *param, int code, COutlineNode *, int)
        {
            if (code == COutlineMan::kNotifyDrawingChanged)
                ++*static_cast<int *>(param);
        }
    };
    run.m_Man.SetNotify(&TCounter::Notify, &drawingNotices);
    run.m_Man.EnableNotify(true);
    run.Open();
    run.m_pView->m_bYes = false;
    run.m_pView->OnFileDelete();
    QCOMPARE(run.m_pView->m_Questions.size(), 1);
    QVERIFY(run.m_pView->Picture().HasPicture());
    QPointer<CBmpChildFrame> frame(run.m_pFrame);
    run.m_pView->m_bYes = true;
    run.m_pView->OnFileDelete();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frame.isNull());
    QVERIFY(!run.m_pNode->m_Item.HasDrawing());
    QCOMPARE(drawingNotices, 1);
    QCOMPARE(run.m_Man.m_nModified, 1);
    run.m_Man.EnableNotify(false);
}

void tst_DrawingEditor::oversizedDrawingIsShrunkBeforeClosing()
{
    CEditorRun run;
    GiveDrawing(run.m_Man, run.m_pNode, TwoColours(200, 150));
    run.Open();
    QCOMPARE(run.m_pView->Picture().Size(), QSize(200, 150));
    // The first close shrinks and stays open (the message box is closed
    // from a timer, as a person would).
    QTimer::singleShot(0, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    QVERIFY(!run.Close());
    QCOMPARE(run.m_pView->Picture().Size(), QSize(160, 140));
    QVERIFY(run.Close());
    QCOMPARE(run.m_pNode->m_Item.m_nDrawWidth, 160);
    QCOMPARE(run.m_pNode->m_Item.m_nDrawHeight, 140);
}

void tst_DrawingEditor::oneEditorAtATime()
{
    CCountingMan man;
    MakeOutline(man, "a b");
    QVERIFY(!CBmpDoc::IsDrawingEditorOpen());
    CBmpChildFrame *first = CBmpDoc::OpenDrawingEditor(man, NodeOf(man, "a"), nullptr);
    QVERIFY(first);
    QCOMPARE(first->windowModality(), Qt::ApplicationModal);
    QCOMPARE(CBmpDoc::OpenDrawingEditor(man, NodeOf(man, "b"), nullptr), first);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!CBmpDoc::IsDrawingEditorOpen());
}

void tst_DrawingEditor::outlineViewShowsTheNewDrawing()
{
    CViewFixture f;
    f.Open("first second third");
    CZumraView &view = f.View();
    COutlineNode *second = f.Node("second");
    view.SetCaret(COutlinePos(0, 0, second));
    QVERIFY(view.Geometry().SymbolRect(second, COutlineHit::kDrawing).isEmpty());
    const QString file = QDir(m_Dir.path()).filePath(QStringLiteral("sketch.png"));
    QVERIFY(TwoColours(90, 70).save(file, "PNG"));

    CBmpChildFrame *frame = RunEditDrawing(view, nullptr);
    QVERIFY(frame);
    QVERIFY(frame->View()->OpenFile(file));
    // To look at the window: VELLACOR_KEEP_GRAB=editor.png
    if (const char *keep = std::getenv("VELLACOR_KEEP_GRAB"))
        frame->grab().save(QString::fromLocal8Bit(keep));
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!CBmpDoc::IsDrawingEditorOpen());
    QVERIFY(second->m_Item.HasDrawing());
    QCOMPARE(DrawingOf(second), TwoColours(90, 70));
    // The row now carries the drawing symbol.
    QVERIFY(!view.Geometry().SymbolRect(second, COutlineHit::kDrawing).isEmpty());
}

QTEST_MAIN(tst_DrawingEditor)
#include "tst_drawingeditor.moc"
