// Time of the main window's two heavy handlers over the shipped national directory, each including
// the filling of the list: a click on the province with the most entries, and a fuzzy search that
// every entry matches. The "AndPaint" variants also paint the window once, as the screen would.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "directory/directory.h"
#include "lookup/lookup.h"
#include "ui/frm_main.h"

namespace {

struct Bench {
    std::unique_ptr<TForm1> window;
    QTreeWidget* tree = nullptr;
    QTreeWidget* list = nullptr;
    QTreeWidgetItem* largest = nullptr;
    std::size_t largestRows = 0;
};

Bench& Window() {
    static Bench bench = [] {
        Bench b;
        b.window = std::make_unique<TForm1>(TELVANE_DATA_FILE);
        b.window->show();
        if (!QTest::qWaitForWindowExposed(b.window.get())) std::abort();
        b.tree = b.window->findChild<QTreeWidget*>("tree1");
        b.list = b.window->findChild<QTreeWidget*>("lview1");
        QTreeWidgetItem* root = b.tree->topLevelItem(0);
        root->setExpanded(true);
        telvane::IniReader reader(TELVANE_DATA_FILE);
        const auto provinces = telvane::ParseProvinceList(reader.ReadValue("lei", "sel", ""));
        for (std::size_t i = 0; i < provinces.size(); ++i) {
            const std::size_t rows = telvane::ListProvince(provinces[i], TELVANE_DATA_FILE).size();
            if (rows > b.largestRows) {
                b.largestRows = rows;
                b.largest = root->child(static_cast<int>(i));
            }
        }
        return b;
    }();
    return bench;
}

void ClickLargestProvince(benchmark::State& state, bool paint) {
    Bench& b = Window();
    b.tree->scrollToItem(b.largest);
    const QPoint at = b.tree->visualItemRect(b.largest).center();
    for (auto _ : state) {
        QTest::mouseClick(b.tree->viewport(), Qt::LeftButton, {}, at);
        if (paint) b.window->repaint();
    }
    if (static_cast<std::size_t>(b.list->topLevelItemCount()) != b.largestRows)
        state.SkipWithError("wrong rows");
    state.counters["rows"] = static_cast<double>(b.list->topLevelItemCount());
}

void FuzzySearchEverything(benchmark::State& state, bool paint) {
    Bench& b = Window();
    b.window->findChild<QRadioButton*>("Rdomo")->setChecked(true);
    b.window->findChild<QLineEdit*>("ledttel")->setText("0");  // every area code holds a 0
    auto* search = b.window->findChild<QPushButton*>("Btncha");
    for (auto _ : state) {
        QTest::mouseClick(search, Qt::LeftButton);
        if (paint) b.window->repaint();
    }
    state.counters["rows"] = static_cast<double>(b.list->topLevelItemCount());
}

void BM_ClickLargestProvince(benchmark::State& state) {
    ClickLargestProvince(state, false);
}
void BM_ClickLargestProvinceAndPaint(benchmark::State& state) {
    ClickLargestProvince(state, true);
}
void BM_FuzzySearchEverything(benchmark::State& state) {
    FuzzySearchEverything(state, false);
}
void BM_FuzzySearchEverythingAndPaint(benchmark::State& state) {
    FuzzySearchEverything(state, true);
}

BENCHMARK(BM_ClickLargestProvince)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickLargestProvinceAndPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FuzzySearchEverything)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FuzzySearchEverythingAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Window().window.reset();
    return 0;
}
