// Renders the sample outline in an outline view to a PNG file, to look at
// the view as a user would:
//   views_screenshot OUT.png [--dark] [--hide-boxes] [--block] [--file F.kxo] [--save F.kxo]
// --block selects whole items, --file shows an outline file instead.
// Run with QT_QPA_PLATFORM=offscreen, and QT_SCALE_FACTOR=2 for a screen of
// twice the density.

#include "QtLook.h"
#include "SampleOutline.h"
#include "ZumraView.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QStyleFactory>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: views_screenshot OUT.png [--dark] [--hide-boxes]\n");
        return 2;
    }
    const QStringList args = app.arguments();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (args.contains(QStringLiteral("--dark")))
        QApplication::setPalette(DarkPalette());

    COutlineMan man;
    const int file = args.indexOf(QStringLiteral("--file"));
    if (file > 0 && file + 1 < args.size()) {
        if (!man.Load(QFile::encodeName(args.at(file + 1)).constData())) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(args.at(file + 1)));
            return 1;
        }
    } else {
        MakeSampleOutline(man);
        // --save F.kxo keeps the sample as an outline file, to open elsewhere.
        const int save = args.indexOf(QStringLiteral("--save"));
        if (save > 0 && save + 1 < args.size()
            && !man.Save(QFile::encodeName(args.at(save + 1)).constData())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(save + 1)));
            return 1;
        }
    }
    if (args.contains(QStringLiteral("--hide-boxes")))
        man.GetDB()->GetPrivateOutlineHeaderPtr()->GetTags().setUInt8(
            kx_gen::CPrivateOutlineHeader::kShowCheckedTag, 1);
    CRecordingHost host;
    CZumraView view(&man, &host);
    view.resize(520, 330);
    view.show();
    view.OnInitialUpdate();
    view.setFocus();
    QApplication::processEvents();
    if (file < 0) {
        COutlineNode *garden = NodeOf(man, "Plans")->m_pFirstChild;
        if (args.contains(QStringLiteral("--block"))) {
            // Whole items from the long one to the third child.
            view.SetSelection(COutlinePos(3, 1, garden), COutlinePos(1, 0, NodeOf(man, "Soil")));
        } else {
            // A text selection in the long item, the caret at its end.
            view.SetSelection(COutlinePos(8, 0, garden), COutlinePos(18, 0, garden));
        }
    }
    view.activateWindow();
    QApplication::processEvents();
    const QPixmap shot = view.grab();
    if (!shot.save(args.at(1))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %dx%d device pixels (ratio %.1f), widths from %s\n", argv[1],
        int(shot.width()), int(shot.height()), shot.devicePixelRatio(),
        view.Geometry().MeasureDC() ? "exact measuring" : "the font's tables");
    return 0;
}
