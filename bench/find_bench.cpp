// Searching a large outline in the view: Replace All of a word that occurs
// in every item of a 100,000-item outline and the undo of it, and a search
// for a text that occurs nowhere, offscreen in a 600 x 800 window.
//
// Goals at 100k items: Replace All under 1 s, its undo under 0.5 s, the
// search for an absent text under 50 ms. Each figure is printed beside its
// goal, with the 10k figure for the growth.

#include "BenchSupport.h"
#include "BenchViewHost.h"
#include "FindReplaceDlg.h"
#include "OutlineCommands.h"
#include "OutlineMan.h"
#include "ZumraView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 800;

// The view with the Replace dialog answered by a Replace All click.
class CReplaceAllView : public CZumraView {
public:
    using CZumraView::CZumraView;
    QString m_strFind;
    QString m_strWith;

protected:
    int ExecDialog(QDialog &dialog) override
    {
        auto *replace = dynamic_cast<CEditReplaceDlg *>(&dialog);
        if (!replace)
            return QDialog::Rejected;
        replace->FindEdit()->setText(m_strFind);
        replace->ReplaceEdit()->setText(m_strWith);
        replace->Button(CEditReplaceDlg::kReplaceAll)->click();
        return QDialog::Rejected;
    }
};

struct COpenOutline {
    COutlineMan m_Man;
    bench::CBenchViewHost m_Host;
    std::unique_ptr<CReplaceAllView> m_pView;

    // Items of 20 to 120 characters, each with the word "lantern" once.
    bool Make(int items)
    {
        if (!m_Man.NewOutline(false))
            return false;
        std::mt19937 rng(99);
        for (int i = 0; i < items; ++i) {
            COutlineNode *node = m_Man.AddFirstItem();
            if (!node)
                return false;
            std::string text
                = bench::RandomText(rng, 10, 60) + " lantern " + bench::RandomText(rng, 10, 60);
            node->m_Item.m_Text.SetString(kx_gen::_String(text));
        }
        m_Man.Renumber();
        m_pView = std::make_unique<CReplaceAllView>(&m_Man, &m_Host);
        m_pView->resize(kWidth, kHeight);
        m_pView->show();
        m_pView->OnInitialUpdate();
        return m_pView->IsReady();
    }
};

double NowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

struct TFigures {
    double replaceAll = 1e300;
    double undo = 1e300;
    double absent = 1e300;
    bool correct = true;
};

TFigures Measure(int items)
{
    TFigures figures;
    COpenOutline outline;
    if (!outline.Make(items)) {
        figures.correct = false;
        return figures;
    }
    CReplaceAllView &view = *outline.m_pView;
    view.m_strFind = QStringLiteral("lantern");
    view.m_strWith = QStringLiteral("lamp");
    for (int run = 0; run < 3; ++run) {
        double t0 = NowMs();
        view.RunCommand(outline_cmd::kReplace);
        figures.replaceAll = std::min(figures.replaceAll, NowMs() - t0);
        const std::string first = outline.m_Man.GetFirstVisible()->m_Item.m_Text.GetString().str();
        figures.correct = figures.correct && first.find("lamp") != std::string::npos
            && outline.m_Host.m_strLast == QStringLiteral("Finished replace all");
        t0 = NowMs();
        view.RunCommand(outline_cmd::kUndo);
        figures.undo = std::min(figures.undo, NowMs() - t0);
        const std::string back = outline.m_Man.GetFirstVisible()->m_Item.m_Text.GetString().str();
        figures.correct = figures.correct && back.find("lantern") != std::string::npos;
    }
    CFindOptions absent;
    absent.m_strText = QStringLiteral("quetzalcoatl");
    CTextMatcher matcher;
    matcher.Prepare(absent, nullptr);
    for (int run = 0; run < 5; ++run) {
        const double t0 = NowMs();
        const bool found = view.SearchFrom(matcher, nullptr, CTextPos(), false, true);
        figures.absent = std::min(figures.absent, NowMs() - t0);
        figures.correct = figures.correct && !found;
    }
    return figures;
}

int ReportGoals()
{
    const TFigures medium = Measure(10000);
    const TFigures large = Measure(100000);
    if (!medium.correct || !large.correct) {
        std::printf("find: the results were wrong\n");
        return 1;
    }
    std::printf("find: best times in ms, wall clock\n");
    std::printf(
        "find: %-8s %-14s %-14s %-14s\n", "items", "replace all", "its undo", "absent text");
    std::printf("find: %-8d %10.1f     %10.1f     %10.2f\n", 10000, medium.replaceAll, medium.undo,
        medium.absent);
    std::printf("find: %-8d %10.1f     %10.1f     %10.2f\n", 100000, large.replaceAll, large.undo,
        large.absent);
    std::printf(
        "find: Replace All in every item at 100k: %.1f ms (goal under 1000)\n", large.replaceAll);
    std::printf("find: its undo at 100k: %.1f ms (goal under 500)\n", large.undo);
    std::printf("find: search for an absent text at 100k: %.2f ms (goal under 50)\n", large.absent);
    return 0;
}

void BM_FindAbsent(benchmark::State &state)
{
    COpenOutline outline;
    if (!outline.Make(static_cast<int>(state.range(0)))) {
        state.SkipWithError("the outline could not be made");
        return;
    }
    CFindOptions absent;
    absent.m_strText = QStringLiteral("quetzalcoatl");
    CTextMatcher matcher;
    matcher.Prepare(absent, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            outline.m_pView->SearchFrom(matcher, nullptr, CTextPos(), false, true));
}

} // namespace

BENCHMARK(BM_FindAbsent)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::RunBenchmarkProgram(argc, argv, ReportGoals);
}
