// Editing in the outline view on outlines of 1,000, 10,000 and 100,000
// items (texts of 20 to 200 characters, levels wandering), offscreen in a
// 600 x 800 window: a keystroke (insert a character, re-wrap the item,
// repaint), Enter (split the item) and Backspace at an item's start (join
// it to the one before), each with its repaint; pasting 1,000 items and
// undoing that paste.
//
// Goals: a keystroke, an Enter and a Backspace each under 5 ms at every
// size, independent of the outline's size; the paste of 1,000 items under
// 50 ms and its undo under 20 ms. Figures are medians of many runs, each
// printed with its ratio to the 1k figure.

#include "BenchSupport.h"
#include "BenchViewHost.h"
#include "KXClipboard.h"
#include "OutlineCommands.h"
#include "OutlineMan.h"
#include "ZumraView.h"

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"

#include <QApplication>
#include <QEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kx_gen;
using namespace outline_cmd;

const int kSizes[] = { 1000, 10000, 100000 };
constexpr int kWidth = 600;
constexpr int kHeight = 800;

std::string TempFolder()
{
    static const std::string folder = bench::MakeScratchFolder("editing-bench");
    return folder;
}

std::string OutlinePath(int items)
{
    return TempFolder() + "/outline-" + std::to_string(items) + ".kxo";
}

void WriteOutlineFile(const std::string &path, int items)
{
    std::mt19937 rng(4321);
    COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle("Benchmark");
    CDBRecordset *records = db.GetRecordset();
    records->reserve(static_cast<std::size_t>(items));
    int level = 0;
    for (int i = 0; i < items; ++i) {
        const int step = static_cast<int>(rng() % 5);
        if (step == 0 && level < 9)
            ++level;
        else if (step == 1 && level > 0)
            --level;
        auto *record = static_cast<COutlineRecord *>(records->Append());
        record->SetId(static_cast<std::uint32_t>(1000 + i));
        record->SetIndent(static_cast<std::uint8_t>(level));
        record->SetText(_String(bench::RandomText(rng, 20, 200)));
        record->SetExpanded(true);
    }
    db.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

struct COpenOutline {
    COutlineMan m_Man;
    bench::CBenchViewHost m_Host { "editing" };
    std::unique_ptr<CZumraView> m_pView;

    bool Open(const std::string &path)
    {
        if (!m_Man.Load(path.c_str()))
            return false;
        m_pView = std::make_unique<CZumraView>(&m_Man, &m_Host);
        m_pView->resize(kWidth, kHeight);
        m_pView->show();
        m_pView->OnInitialUpdate();
        QCoreApplication::processEvents();
        return m_pView->IsReady();
    }
    CZumraView &View() { return *m_pView; }
    // The caret on an item in the middle of the outline, at its end.
    COutlineNode *CaretToMiddle()
    {
        CZumraView &view = View();
        const int rows = view.Geometry().TotalRows();
        const COutlinePos row = view.Geometry().RowAt(rows / 2);
        view.SetCaret(CZumraView::ItemEnd(row.m_pItem));
        view.EnsureVisible(view.GetCaret());
        return row.m_pItem;
    }
    void Paint() { m_pView->viewport()->repaint(); }
};

double NowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct TFigures {
    double key = 0;
    double enter = 0;
    double backspace = 0;
    double paste = 0;
    double undo = 0;
};

// 1,000 items of the 1k outline on the clipboard as outline data.
bool PutThousandItems()
{
    COpenOutline source;
    if (!source.Open(OutlinePath(1000)))
        return false;
    COutlineMan &man = source.m_Man;
    kx_gen::HMEM block = man.MakeTransferBlock(man.GetFirstVisible(), man.GetLastVisible());
    CKXClipboard clipboard(nullptr, CKXClipboard::OutlineFormat());
    clipboard.Empty();
    const bool placed = clipboard.SetData(block);
    return clipboard.Close() && placed;
}

TFigures Measure(int items)
{
    TFigures f;
    COpenOutline outline;
    if (!outline.Open(OutlinePath(items)))
        return f;
    CZumraView &view = outline.View();
    outline.CaretToMiddle();
    outline.Paint();

    std::vector<double> times;
    for (int i = 0; i < 300; ++i) {
        const double t0 = NowMs();
        view.TypeChar(static_cast<unsigned char>(i % 7 == 6 ? ' ' : 'a' + i % 26));
        outline.Paint();
        times.push_back(NowMs() - t0);
    }
    f.key = Median(times);

    std::vector<double> enters;
    std::vector<double> joins;
    for (int i = 0; i < 100; ++i) {
        outline.CaretToMiddle();
        double t0 = NowMs();
        view.TypeChar(13);
        outline.Paint();
        enters.push_back(NowMs() - t0);
        view.TypeChar('z');
        view.RunCommand(kHome);
        t0 = NowMs();
        view.RunCommand(kBackspace);
        outline.Paint();
        joins.push_back(NowMs() - t0);
    }
    f.enter = Median(enters);
    f.backspace = Median(joins);

    std::vector<double> pastes;
    std::vector<double> undos;
    for (int i = 0; i < 7; ++i) {
        outline.CaretToMiddle();
        double t0 = NowMs();
        view.RunCommand(kPaste);
        outline.Paint();
        pastes.push_back(NowMs() - t0);
        t0 = NowMs();
        view.RunCommand(kUndo);
        outline.Paint();
        undos.push_back(NowMs() - t0);
    }
    f.paste = Median(pastes);
    f.undo = Median(undos);
    return f;
}

int ReportGoals()
{
    for (int n : kSizes)
        WriteOutlineFile(OutlinePath(n), n);
    if (!PutThousandItems())
        return 1;
    std::map<int, TFigures> figures;
    for (int n : kSizes)
        figures[n] = Measure(n);
    const TFigures &small = figures[1000];
    std::printf("editing: median times in ms, wall clock; ratio to 1k items in brackets\n");
    std::printf("editing: %-8s %-16s %-16s %-16s %-16s %-16s\n", "items", "keystroke", "Enter",
        "Backspace join", "paste 1000", "undo paste");
    TFigures worst;
    for (int n : kSizes) {
        const TFigures &f = figures[n];
        std::printf("editing: %-8d %7.3f (%5.2fx) %7.3f (%5.2fx) %7.3f (%5.2fx) %7.2f (%5.2fx) "
                    "%7.2f (%5.2fx)\n",
            n, f.key, f.key / small.key, f.enter, f.enter / small.enter, f.backspace,
            f.backspace / small.backspace, f.paste, f.paste / small.paste, f.undo,
            f.undo / small.undo);
        worst.key = std::max(worst.key, f.key);
        worst.enter = std::max(worst.enter, f.enter);
        worst.backspace = std::max(worst.backspace, f.backspace);
        worst.paste = std::max(worst.paste, f.paste);
        worst.undo = std::max(worst.undo, f.undo);
    }
    std::printf("editing: keystroke, worst size: %.3f ms (goal under 5)\n", worst.key);
    std::printf("editing: Enter, worst size: %.3f ms (goal under 5)\n", worst.enter);
    std::printf("editing: Backspace join, worst size: %.3f ms (goal under 5)\n", worst.backspace);
    std::printf(
        "editing: paste of 1,000 items, worst size: %.2f ms (goal under 50)\n", worst.paste);
    std::printf("editing: undo of that paste, worst size: %.2f ms (goal under 20)\n", worst.undo);
    std::fflush(stdout);
    return 0;
}

void BM_Keystroke(benchmark::State &state)
{
    COpenOutline outline;
    outline.Open(OutlinePath(int(state.range(0))));
    outline.CaretToMiddle();
    int i = 0;
    for (auto _ : state) {
        outline.View().TypeChar(static_cast<unsigned char>(++i % 7 == 0 ? ' ' : 'k'));
        outline.Paint();
    }
}

} // namespace

BENCHMARK(BM_Keystroke)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunBenchmarkProgram(
        argc, argv, ReportGoals, "editing: the outline could not be set up", TempFolder());
}
