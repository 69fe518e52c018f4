// The study window measured against kaskad-cli: a 100,000-point study run in
// the window and by "kaskad-cli sweep --outlet --criterion" on the same
// points (points a second each, the best of three, and the ratio), the
// longest the window's event loop waited meanwhile (a timer every 5 ms, its
// worst gap), and its table over a result of 1,000,008 rows (every reactor
// of 41,667 points, or of TABLE_POINTS): a screenful of cells formed at
// random places, and sorts as a header click starts them, off the window's
// thread, with the event loop's longest wait meanwhile.
// Usage: kaskad_bench_study [POINTS [TABLE_POINTS]]
#include "bubble_window.h"
#include "ui/study_window.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

using kaskad::bench::BubbleWindow;
using kaskad::ui::StudyWindow;

// The values of ts that give `points` points with the other fields fixed.
QString tsValues(long points) { return QStringLiteral("1:%1:1").arg(points); }

double cliSeconds(long points)
{
    const std::string command =
        std::string(KASKAD_CLI_PATH) +
        " sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 1:" + std::to_string(points) +
        ":1 --outlet --criterion > /dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "kaskad-cli failed\n");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The event loop's longest wait while it runs until `done`: a timer every
// 5 ms, its worst gap in milliseconds; and the seconds it ran.
std::pair<double, double> loopUntil(const std::function<bool()>& done)
{
    QElapsedTimer sinceTick;
    double worstGap = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        worstGap = std::max(worstGap, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    QElapsedTimer whole;
    whole.start();
    sinceTick.start();
    ticks.start();
    // The application's own loop, waiting for events as the program's does.
    QEventLoop loop;
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    finished.start(10);
    loop.exec();
    return {double(whole.nsecsElapsed()) / 1e9, worstGap};
}

// Runs the study in the window; returns its seconds and the event loop's
// longest wait in milliseconds.
std::pair<double, double> windowStudy(StudyWindow& study, long points)
{
    study.valuesCell(kaskad::fieldTs)->setText(tsValues(points));
    study.startStudy();
    return loopUntil([&] { return !study.running(); });
}

void measureTable(StudyWindow& study)
{
    kaskad::ui::StudyTableModel& model = study.tableModel();
    study.everyReactorBox()->setChecked(true);
    const int rows = model.rowCount();
    std::mt19937 random(15);
    std::uniform_int_distribution<int> place(0, rows - 40);
    double worst = 0, total = 0;
    constexpr int kScreens = 200;
    for (int s = 0; s < kScreens; ++s) {
        QElapsedTimer screen;
        screen.start();
        const int top = place(random);
        for (int r = top; r < top + 40; ++r)
            for (int c = 0; c < model.columnCount(); ++c) {
                static_cast<void>(model.data(model.index(r, c), Qt::DisplayRole));
                static_cast<void>(model.data(model.index(r, c), Qt::BackgroundRole));
            }
        const double ms = double(screen.nsecsElapsed()) / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("table of %d rows: a screen of 40 rows x %d columns formed in %.3f ms on average, %.3f ms at worst\n",
                rows, model.columnCount(), total / kScreens, worst);
    for (const auto& [column, name] :
         {std::pair{9, "y1"}, std::pair{int(model.columns().size()) - 1, "margin"}, std::pair{7, "--ts"}}) {
        // As a click on the header starts it: the rows take their order when
        // the sort's thread has ended, while the window goes on answering.
        study.view()->sortByColumn(column, Qt::DescendingOrder);
        const auto [seconds, gap] = loopUntil([&] { return !model.sorting(); });
        std::printf("sort of %d rows by %s: %.0f ms, the event loop's longest wait meanwhile %.1f ms\n", rows, name,
                    seconds * 1000, gap);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    kaskad::setCalculationFloatingPointEnvironment();
    QApplication application(argc, argv);
    const long points = argc > 1 ? std::stol(argv[1]) : 100'000;
    BubbleWindow window;
    window.form.showStudy();
    StudyWindow& study = *window.form.studyWindow();
    study.show();

    // Each the best of three, taken in turn: the machine's other work
    // slows one or the other by chance.
    double cli = HUGE_VAL, inWindow = HUGE_VAL, worstGap = 0;
    for (int round = 0; round < 3; ++round) {
        cli = std::min(cli, cliSeconds(points));
        const auto [seconds, gap] = windowStudy(study, points);
        inWindow = std::min(inWindow, seconds);
        worstGap = std::max(worstGap, gap);
    }
    std::printf("%ld points: kaskad-cli sweep %.0f points/s, the study window %.0f points/s (%.1f %%)\n", points,
                double(points) / cli, double(points) / inWindow, 100 * cli / inWindow);
    std::printf("the event loop's longest wait while the studies ran: %.1f ms\n", worstGap);

    // 41,667 points of 24 reactors: a table of 1,000,008 rows.
    windowStudy(study, argc > 2 ? std::stol(argv[2]) : 41'667);
    measureTable(study);
    return 0;
}
