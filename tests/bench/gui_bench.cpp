// Time of the main window's two heavy handlers, each including the filling of the list: a click on
// the province with the most entries, and a fuzzy search for 0, which every entry of the shipped
// directory and of the format-limit one (tests/bench/format_limit.sh) matches. The "AndPaint"
// variants also paint the window once, as the screen would. Beside them, in the same run and over
// the same file: SearchDirectory alone (its rows kept in a vector, and handed over one by one), and
// one paint of the window holding the search's rows.
//
//   build/tests/bench/gui_bench [benchmark options]
//
// The data file is the shipped national directory, or the one TELVANE_BENCH_FILE names. Runs
// offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "../collect_rows.h"
#include "directory/directory.h"
#include "fault_counter.h"
#include "lookup/lookup.h"
#include "ui/frm_main.h"

namespace {

std::string DataFile() {
    const QByteArray named = qgetenv("TELVANE_BENCH_FILE");
    return named.isEmpty() ? std::string(TELVANE_DATA_FILE) : named.toStdString();
}

const telvane::SearchCriteria kEveryEntry{"0", "", telvane::mmFuzzy};

using telvane::TForm1;
using telvane::bench::FaultCounter;

struct Bench {
    std::string file;
    std::vector<std::string> provinces;
    std::unique_ptr<TForm1> window;
    QTreeWidget* tree = nullptr;
    QTreeView* list = nullptr;
    QTreeWidgetItem* largest = nullptr;
    int largestRows = 0;

    int ListedRows() const { return list->model()->rowCount(); }
};

Bench& Window() {
    static Bench bench = [] {
        Bench b;
        b.file = DataFile();
        telvane::IniReader reader(b.file);
        b.provinces = telvane::ReadProvinceList(reader);
        b.window = std::make_unique<TForm1>(b.file);
        b.window->show();
        if (!QTest::qWaitForWindowExposed(b.window.get())) std::abort();
        b.tree = b.window->findChild<QTreeWidget*>("tree1");
        b.list = b.window->findChild<QTreeView*>("lview1");
        QTreeWidgetItem* root = b.tree->topLevelItem(0);
        root->setExpanded(true);
        for (std::size_t i = 0; i < b.provinces.size(); ++i) {
            int rows = 0;
            reader.ForEachEntry(b.provinces[i], [&rows](std::string_view, std::string_view) { ++rows; });
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
    FaultCounter faults(state);
    for (auto _ : state) {
        QTest::mouseClick(b.tree->viewport(), Qt::LeftButton, {}, at);
        if (paint) b.window->repaint();
    }
    if (b.ListedRows() != b.largestRows) state.SkipWithError("wrong rows");
    state.counters["rows"] = b.ListedRows();
}

void SearchEveryEntry(Bench& b) {
    b.window->findChild<QRadioButton*>("Rdomo")->setChecked(true);
    b.window->findChild<QLineEdit*>("ledttel")->setText("0");
    QTest::mouseClick(b.window->findChild<QPushButton*>("Btncha"), Qt::LeftButton);
}

void FuzzySearchEverything(benchmark::State& state, bool paint) {
    Bench& b = Window();
    FaultCounter faults(state);
    for (auto _ : state) {
        SearchEveryEntry(b);
        if (paint) b.window->repaint();
    }
    state.counters["rows"] = b.ListedRows();
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

// The search the window runs, without the window: every row built and kept in a vector.
void BM_SearchDirectoryAlone(benchmark::State& state) {
    const Bench& b = Window();
    std::size_t rows = 0;
    FaultCounter faults(state);
    for (auto _ : state) {
        rows = telvane::testing::Found(kEveryEntry, b.provinces, b.file).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// The same search handing each row over as it is found, with nothing kept: the search without the
// memory of a result.
void BM_SearchDirectoryRowByRow(benchmark::State& state) {
    const Bench& b = Window();
    std::size_t rows = 0;
    FaultCounter faults(state);
    for (auto _ : state) {
        rows = 0;
        telvane::SearchDirectory(kEveryEntry, b.provinces, b.file, [&rows](const telvane::RowView& row) {
            benchmark::DoNotOptimize(row);
            ++rows;
        });
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// One paint of the window while its list holds the rows of the search above.
void BM_PaintAfterSearch(benchmark::State& state) {
    Bench& b = Window();
    SearchEveryEntry(b);
    b.window->repaint();
    for (auto _ : state) b.window->repaint();
    state.counters["rows"] = b.ListedRows();
}

BENCHMARK(BM_ClickLargestProvince)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickLargestProvinceAndPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchDirectoryAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchDirectoryRowByRow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FuzzySearchEverything)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FuzzySearchEverythingAndPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintAfterSearch)->Unit(benchmark::kMillisecond);

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
