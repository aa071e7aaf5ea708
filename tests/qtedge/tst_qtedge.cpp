#include "QtImages.h"
#include "QtMeasureDC.h"
#include "QtStrings.h"
#include "QtValues.h"
#include "StorageGuard.h"

#include "kx_gen/DibUtil.h"
#include "kx_gen/Exception.h"

#include <QGuiApplication>
#include <QTest>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

struct RecordingSink : CMessageSink {
    std::vector<std::string> messages;
    void ShowMessage(const kx_gen::_String &text) override { messages.push_back(text.str()); }
};

} // namespace

class TestQtEdge : public QObject {
    Q_OBJECT

private slots:
    void everyCodePageByteRoundTrips()
    {
        for (int byte = 1; byte < 256; ++byte) {
            const char raw[2] = { static_cast<char>(byte), 0 };
            const QString unicode = ToQString(kx_gen::_String(raw));
            QCOMPARE(unicode.size(), 1);
            kx_gen::_String back;
            QVERIFY2(FromQString(unicode, back), qPrintable(QString::number(byte)));
            QCOMPARE(back.str(), std::string(raw));
        }
        QCOMPARE(ToQString(kx_gen::_String("Caf\xe9 \x80")), QStringLiteral("Caf\u00e9 \u20ac"));
    }

    void charactersOutsideTheCodePageAreRefusedAndNamed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refused");
        QTest::newRow("greek") << QStringLiteral("abc\u03a9def") << QStringLiteral("\u03a9");
        QTest::newRow("emoji pair")
            << QStringLiteral("x\U0001F600") << QStringLiteral("\U0001F600");
        QTest::newRow("cjk first") << QStringLiteral("\u6f22\u5b57") << QStringLiteral("\u6f22");
    }
    void charactersOutsideTheCodePageAreRefusedAndNamed()
    {
        QFETCH(QString, text);
        QFETCH(QString, refused);
        kx_gen::_String out("untouched");
        QString named;
        QVERIFY(!FromQString(text, out, &named));
        QCOMPARE(named, refused);
        QCOMPARE(out.str(), std::string("untouched"));
        QCOMPARE(FirstUnsupportedCharacter(text), refused);
        // The lossy conversion for known-good texts keeps the length in characters.
        QVERIFY(ToKxString(text).str().find('?') != std::string::npos);
    }

    void fontsColoursAndPlacementsConvert()
    {
        kx_gen::LOGFONT font;
        font.lfHeight = -15;
        font.lfWeight = 700;
        font.lfItalic = 1;
        std::strcpy(font.lfFaceName, "DejaVu Sans");
        const QFont q = ToQFont(font);
        QCOMPARE(q.pixelSize(), 15);
        QCOMPARE(q.weight(), QFont::Bold);
        QVERIFY(q.italic());
        const kx_gen::LOGFONT back = FromQFont(q);
        QCOMPARE(back.lfHeight, -15);
        QCOMPARE(back.lfWeight, 700);
        QCOMPARE(QByteArray(back.lfFaceName), QByteArray("DejaVu Sans"));

        // A face name longer than the structure holds is cut, never overrun.
        QFont longFace(QString(40, QLatin1Char('f')));
        longFace.setPixelSize(12);
        QCOMPARE(qstrlen(FromQFont(longFace).lfFaceName), uint(kx_gen::LF_FACESIZE - 1));

        QCOMPARE(ToQColor(kx_gen::RGB(10, 20, 30)), QColor(10, 20, 30));
        QCOMPARE(FromQColor(QColor(10, 20, 30)), kx_gen::RGB(10, 20, 30));

        CWindowGeometry g;
        g.m_rcNormal = QRect(10, 20, 300, 200);
        g.m_bMaximized = true;
        const kx_gen::WINDOWPLACEMENT p = FromWindowGeometry(g);
        QCOMPARE(p.rcNormalPosition.right, 310);
        QCOMPARE(p.showCmd, kShowMaximized);
        const CWindowGeometry again = ToWindowGeometry(p);
        QCOMPARE(again.m_rcNormal, g.m_rcNormal);
        QVERIFY(again.m_bMaximized);
        // An empty stored rectangle gives no geometry rather than a zero-sized window.
        QVERIFY(ToWindowGeometry(kx_gen::WINDOWPLACEMENT()).m_rcNormal.isNull());
    }

    void drawingsRoundTripThroughImages()
    {
        QImage image(5, 3, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixel(0, 0, qRgb(255, 0, 0));
        image.setPixel(4, 2, qRgb(0, 0, 255));
        kx_gen::MemHolder dib(QImageToDib(image));
        QVERIFY(dib.get());
        QCOMPARE(kx_gen::DIBWidth(kx_gen::MemGetPtr(dib.get())), 5);
        const QImage back = DibToQImage(dib.get());
        QCOMPARE(back.size(), image.size());
        QCOMPARE(back.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(back.pixel(4, 2), qRgb(0, 0, 255));
        QCOMPARE(back.pixel(2, 1), qRgb(255, 255, 255));
        QVERIFY(DibToQImage(nullptr).isNull());
        QVERIFY(!QImageToDib(QImage()));
    }

    void measuringFollowsTabStops()
    {
        QFont font;
        font.setPixelSize(14);
        const CQtMeasureDC dc(font);
        const int a = dc.GetCharWidth('a');
        QVERIFY(a > 0);
        QCOMPARE(dc.GetTabbedTextExtent("a\tb", 1, 50), a);
        QCOMPARE(dc.GetTabbedTextExtent("a\t", 2, 50), 50);
        QCOMPARE(dc.GetTabbedTextExtent("\t\t", 2, 50), 100);
        QCOMPARE(dc.GetTabbedTextExtent("x", 0, 50), 0);
        // A Windows-1252 code is measured as its character, not as a missing glyph.
        QCOMPARE(dc.GetCharWidth(0xe9), CQtMeasureDC(font).GetCharWidth(0xe9));
        const CTextMetrics tm = dc.GetTextMetrics();
        QVERIFY(tm.m_nHeight >= tm.m_nAscent && tm.m_nAscent > 0);
    }

    void storageErrorsAreReportedOnce()
    {
        RecordingSink sink;
        QVERIFY(RunStorageOperation(&sink, [] {}));
        QVERIFY(sink.messages.empty());
        QVERIFY(!RunStorageOperation(&sink, [] { throw new kx_gen::CException("Disk on fire"); }));
        QVERIFY(!RunStorageOperation(&sink, [] { throw std::runtime_error("x"); }));
        QVERIFY(!RunStorageOperation(&sink, [] { throw new kx_gen::CException(""); }));
        QCOMPARE(sink.messages.size(), size_t(3));
        QCOMPARE(sink.messages[0], std::string("Disk on fire"));
        QCOMPARE(sink.messages[1], std::string("Unknown exception"));
        QCOMPARE(sink.messages[2], std::string("Unknown exception"));
    }
};

QTEST_MAIN(TestQtEdge)
#include "tst_qtedge.moc"
