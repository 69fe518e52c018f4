// What the window benchmarks share: a bubble-column window holding the
// 24-reactor example, and the offscreen application they run in.
#pragma once

#include "numeric/extended.h"
#include "ui/regional_settings.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace kaskad::bench {

inline const char* const kInputs[] = {"24", "3", "2.5", "0.05", "433", "2", "3", "3600"};

struct BubbleWindow {
    ui::RegionalSettings settings{[] { return QLocale::c(); }};
    ui::TForm3 form{settings};
    QPushButton* calculate = form.findChild<QPushButton*>("Button1");

    BubbleWindow()
    {
        form.show();
        fillFields();
    }
    void fillFields()
    {
        for (int n = 1; n <= 8; ++n)
            form.field(n)->setText(kInputs[n - 1]);
    }
    void clearPanes()
    {
        for (int n = 1; n <= 12; ++n)
            form.pane(n)->clear();
    }
    // The reset: panes, fields and the kept runs cleared.
    void reset()
    {
        form.Button4Click();
        fillFields();
        QApplication::processEvents();
    }
};

// Runs the registered benchmarks in an application on the offscreen
// platform unless another is asked for.
inline int runWindowBenchmarks(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setCalculationFloatingPointEnvironment();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace kaskad::bench
