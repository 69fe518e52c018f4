// The profile chart window: Ctrl+G draws the last run or the run selected in
// the table, with the chart kaskad-cli draws, again at every size, and saves
// it as PNG or SVG.
#include "app/program.h"
#include "program_fixture.h"
#include "ui/chart_window.h"
#include "ui/error_report.h"
#include "ui/result_views.h"
#include "ui/results_window.h"
#include "ui/user_files.h"
#include "worked_examples.h"

#include <QApplication>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <QComboBox>
#include <QToolTip>
#include <QtTest>

#include <functional>

using kaskad::app::Program;
using kaskad::ui::ChartWindow;
using kaskad::ui::ModelForm;

namespace {

using kaskad::ui::test_support::kBubbleExample;

// Every series drawn, as "title: reactor=value …" with the values' shortest
// decimal forms.
QStringList drawnSeries(const ChartWindow& window)
{
    QStringList drawn;
    for (QGraphicsItem* item : window.view()->scene()->items())
        if (auto* chart = dynamic_cast<QChart*>(item))
            for (QAbstractSeries* series : chart->series()) {
                QString points;
                for (const QPointF& point : static_cast<QXYSeries*>(series)->points())
                    points += QString(" %1=%2").arg(point.x()).arg(point.y(), 0, 'g', 17);
                drawn << series->name() + ":" + points;
            }
    drawn.sort();
    return drawn;
}

QStringList drawnTexts(const ChartWindow& window)
{
    QStringList texts;
    for (QGraphicsItem* item : window.view()->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
            texts << text->text();
    return texts;
}

QList<QChart*> chartsOf(const ChartWindow& window)
{
    QList<QChart*> charts;
    for (QGraphicsItem* item : window.view()->scene()->items())
        if (auto* chart = dynamic_cast<QChart*>(item))
            charts << chart;
    std::sort(charts.begin(), charts.end(), [](QChart* a, QChart* b) { return a->pos().y() < b->pos().y(); });
    return charts;
}

QStringList fieldsWith(int n, const char* wg)
{
    QStringList fields = kBubbleExample;
    fields[0] = QString::number(n);
    fields[3] = wg;
    return fields;
}

} // namespace

class ChartTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;
    std::unique_ptr<Program>& program = fixture.program;
    QStringList& reports = fixture.reports;
    std::optional<kaskad::ui::ChosenFile>& answer = fixture.answer;

    void whileOpenForm3(const std::function<void()>& inside) { fixture.whileOpen("Form3", inside); }
    void calculate(const QStringList& texts) { fixture.calculate("Form3", texts); }

    // The model window takes the keys again. Its own activeness is no test:
    // a window counts as active while one of its transient children is.
    void activateForm3()
    {
        program->Form3().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&program->Form3()));
    }

    ChartWindow* pressCtrlG(QWidget& where)
    {
        QTest::keyClick(&where, Qt::Key_G, Qt::ControlModifier);
        ChartWindow* chart = program->Form3().resultViews().chartWindow();
        if (chart)
            (void)QTest::qWaitForWindowExposed(chart);
        return chart;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() { fixture.start(); }
    void cleanup() { fixture.stop(); }

    // The last run's values, under the caption line of kaskad-cli's plots.
    void drawsTheLastRun()
    {
        whileOpenForm3([&] {
            calculate({"3", "3", "2.5", "0.05", "433", "2", "3", "1800"});
            calculate(kBubbleExample);
            ChartWindow* chart = pressCtrlG(program->Form3());
            QVERIFY(chart && chart->isVisible());
            QCOMPARE(chart->windowTitle(), QString("Профиль каскада — Тевир Барботажный, расчёт 2"));
            QVERIFY(drawnTexts(*chart).contains(
                "Тевир Барботажный: N=3, y10=3, y50=2.5, wg=0.05, t=433, dtr=2, d=3, ts=3600"));
            const QStringList series = drawnSeries(*chart);
            QCOMPARE(series.size(), 10);
            QCOMPARE(series.filter("П - ксилол").value(0), QString("y1 - П - ксилол: 1=%1 2=%2 3=%3")
                                                               .arg(double(1.55393481254578f), 0, 'g', 17)
                                                               .arg(double(0.804904460906982f), 0, 'g', 17)
                                                               .arg(double(0.416923016309738f), 0, 'g', 17));
            QCOMPARE(series.filter("Температура").value(0), QString("Температура в реакторе: 1=433 2=435 3=437"));
            QCOMPARE(series.filter("Давление").value(0), QString("Давление в реакторе: 1=5.75 2=5.5 3=5.25"));
            QCOMPARE(series.filter("GB").value(0), QString("GB воздуха: 1=%1 2=%2 3=%3")
                                                       .arg(double(0.502874255180359f), 0, 'g', 17)
                                                       .arg(double(0.479449838399887f), 0, 'g', 17)
                                                       .arg(double(0.455258160829544f), 0, 'g', 17));
        });
        QCOMPARE(reports, QStringList());
    }

    // With a row of the first run selected in the open table, Ctrl+G there
    // or in the model window draws the first run.
    void drawsTheRunSelectedInTheTable()
    {
        whileOpenForm3([&] {
            calculate({"5", "3", "2.5", "0.05", "433", "2", "3", "3600"});
            calculate(kBubbleExample);
            QTest::keyClick(&program->Form3(), Qt::Key_T, Qt::ControlModifier);
            kaskad::ui::ResultsWindow* table = program->Form3().resultViews().tableWindow();
            QVERIFY(QTest::qWaitForWindowExposed(table));
            table->view()->selectRow(1);
            ChartWindow* chart = pressCtrlG(*table->view());
            QVERIFY(chart);
            QCOMPARE(chart->windowTitle(), QString("Профиль каскада — Тевир Барботажный, расчёт 1"));
            QCOMPARE(drawnSeries(*chart)[0].count('='), 5);
            table->view()->clearSelection();
            activateForm3();
            QCOMPARE(pressCtrlG(program->Form3())->windowTitle(),
                     QString("Профиль каскада — Тевир Барботажный, расчёт 2"));
        });
        QCOMPARE(reports, QStringList());
    }

    // A failed run draws the reactors it computed; no reactor, no chart.
    void failedRunsDrawWhatTheyComputed()
    {
        whileOpenForm3([&] {
            calculate({"30", "3", "2.5", "0.05", "433", "2", "3", "3600"});
            QCOMPARE(reports, QStringList{"Invalid floating point operation."});
            ChartWindow* chart = pressCtrlG(program->Form3());
            QVERIFY(chart);
            QCOMPARE(drawnSeries(*chart).filter("П - ксилол").value(0).count('='), 24);
            // The reset keeps the run, and the chart open.
            program->Form3().findChild<QPushButton*>("Button4")->click();
            QVERIFY(chart->isVisible());
            calculate({"", "", "", "", "", "", "", ""});
            activateForm3();
            pressCtrlG(program->Form3());
            QCOMPARE(chart->windowTitle(), QString("Профиль каскада — Тевир Барботажный, расчёт 1"));
        });
        QCOMPARE(reports.size(), 3);
        QCOMPARE(reports[2], QString("Профиль каскада строится по рассчитанным реакторам: ни один не рассчитан."));
    }

    // The chart fills the window at every size.
    void drawnAgainAtEverySize()
    {
        whileOpenForm3([&] {
            calculate(kBubbleExample);
            ChartWindow* chart = pressCtrlG(program->Form3());
            for (const QSize size : {QSize(900, 600), QSize(1300, 900), QSize(700, 500)}) {
                chart->resize(size);
                QTRY_COMPARE(chart->view()->scene()->sceneRect().size().toSize(), chart->view()->viewport()->size());
                QVERIFY(!chart->view()->horizontalScrollBar()->isVisible());
            }
            QCOMPARE(drawnSeries(*chart).size(), 10);
        });
    }

    void savedAsPngOrSvg_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("saved");
        QTest::newRow("PNG by type") << "p" << 0 << "p.png";
        QTest::newRow("SVG by type") << "p" << 1 << "p.svg";
        QTest::newRow("SVG typed") << "p.svg" << 0 << "p.svg";
    }
    // The file holds the chart at the window's size.
    void savedAsPngOrSvg()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QString, saved);
        QTemporaryDir folder;
        whileOpenForm3([&] {
            calculate(kBubbleExample);
            ChartWindow* chart = pressCtrlG(program->Form3());
            chart->resize(900, 640);
            QTRY_COMPARE(chart->view()->scene()->sceneRect().size().toSize(), chart->view()->viewport()->size());
            const QSize size = chart->view()->viewport()->size();
            answer = kaskad::ui::ChosenFile{folder.filePath(name), std::size_t(type)};
            chart->saveButton()->click();
            QFile file(folder.filePath(saved));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            if (saved.endsWith(".png")) {
                QImage image;
                QVERIFY(image.loadFromData(bytes, "PNG"));
                QCOMPARE(image.size(), size);
            } else {
                QVERIFY(bytes.startsWith("<?xml"));
                QVERIFY(
                    bytes.contains(QString(" viewBox=\"0 0 %1 %2\"").arg(size.width()).arg(size.height()).toUtf8()));
            }
        });
        QCOMPARE(reports, QStringList());
    }

    // kaskad-cli's plot of the same run at the same size is the same SVG.
    void sameDrawingAsKaskadCli()
    {
        QTemporaryDir folder;
        whileOpenForm3([&] {
            calculate(kBubbleExample);
            ChartWindow* chart = pressCtrlG(program->Form3());
            chart->resize(900, 640);
            QTRY_COMPARE(chart->view()->scene()->sceneRect().size().toSize(), chart->view()->viewport()->size());
            const QSize size = chart->view()->viewport()->size();
            answer = kaskad::ui::ChosenFile{folder.filePath("window.svg"), 1};
            chart->saveButton()->click();
            QProcess cli;
            cli.start(KASKAD_CLI_PATH, {"bubble",
                                        "--N",
                                        "3",
                                        "--y10",
                                        "3",
                                        "--y50",
                                        "2.5",
                                        "--wg",
                                        "0.05",
                                        "--t",
                                        "433",
                                        "--dtr",
                                        "2",
                                        "--d",
                                        "3",
                                        "--ts",
                                        "3600",
                                        "--format",
                                        "csv",
                                        "--plot",
                                        folder.filePath("cli.svg"),
                                        "--plot-size",
                                        QString("%1x%2").arg(size.width()).arg(size.height())});
            QVERIFY(cli.waitForFinished(60000));
            QCOMPARE(cli.exitCode(), 0);
            // Only the title differs: the window's, and the drawing's own.
            QFile window(folder.filePath("window.svg")), plot(folder.filePath("cli.svg"));
            QVERIFY(window.open(QIODevice::ReadOnly) && plot.open(QIODevice::ReadOnly));
            const QByteArray windowTitle = "<title>Профиль каскада — Тевир Барботажный, расчёт 1</title>";
            QByteArray drawing = plot.readAll();
            QVERIFY(drawing.contains("<title>Профиль каскада</title>"));
            QVERIFY(drawing.contains("<desc>Тевир Барботажный: N=3, y10=3, y50=2.5, wg=0.05, t=433, dtr=2, d=3, "
                                     "ts=3600</desc>"));
            QCOMPARE(window.readAll(), drawing.replace("<title>Профиль каскада</title>", windowTitle));
        });
    }

    // Runs chosen in the table share one chart: a colour per quantity, a
    // line style per run, the fields they share in the caption and the
    // ones that tell them apart in the legend.
    void severalRunsOnOneChart()
    {
        whileOpenForm3([&] {
            calculate(fieldsWith(3, "0.05"));
            calculate(fieldsWith(3, "0.05"));
            calculate(fieldsWith(5, "0.07"));
            QTest::keyClick(&program->Form3(), Qt::Key_T, Qt::ControlModifier);
            kaskad::ui::ResultsWindow* table = program->Form3().resultViews().tableWindow();
            QVERIFY(QTest::qWaitForWindowExposed(table));
            table->view()->selectionModel()->select(table->view()->model()->index(1, 12), QItemSelectionModel::Select);
            table->view()->selectionModel()->select(table->view()->model()->index(7, 3), QItemSelectionModel::Select);
            ChartWindow* chart = pressCtrlG(*table->view());
            QCOMPARE(chart->windowTitle(), QString("Профиль каскада — Тевир Барботажный, расчёты 1, 3"));
            QVERIFY(drawnTexts(*chart).contains("Тевир Барботажный: y10=3, y50=2.5, t=433, dtr=2, d=3, ts=3600"));
            const QList<QChart*> charts = chartsOf(*chart);
            QCOMPARE(charts.size(), 3);
            QStringList legend;
            for (QLegendMarker* marker : charts[2]->legend()->markers())
                if (marker->isVisible())
                    legend << marker->label();
            QCOMPARE(legend, QStringList({"Температура в реакторе", "Давление в реакторе"}));
            // The runs' key under the caption: their texts whole, a line style each.
            const QStringList texts = drawnTexts(*chart);
            QVERIFY(texts.contains("Расчёт 1: N=3, wg=0.05") && texts.contains("Расчёт 3: N=5, wg=0.07"));
            QList<Qt::PenStyle> keyStyles;
            for (QGraphicsItem* item : chart->view()->scene()->items(Qt::AscendingOrder))
                if (auto* line = dynamic_cast<QGraphicsLineItem*>(item); line && !line->parentItem())
                    keyStyles << line->pen().style();
            QCOMPARE(keyStyles, QList<Qt::PenStyle>({Qt::SolidLine, Qt::CustomDashLine}));
            const QList<QAbstractSeries*> series = charts[0]->series();
            QCOMPARE(series.size(), 6 * 2);
            const auto* y1First = static_cast<QLineSeries*>(series[0]);
            const auto* y1Third = static_cast<QLineSeries*>(series[1]);
            QCOMPARE(y1First->count(), 3);
            QCOMPARE(y1Third->count(), 5);
            QCOMPARE(y1First->pen().color(), y1Third->pen().color());
            QCOMPARE(y1First->pen().style(), Qt::SolidLine);
            QCOMPARE(y1Third->pen().style(), Qt::CustomDashLine);
            table->view()->selectAll();
            for (int run = 0; run < 6; ++run)
                calculate(kBubbleExample);
            table->view()->selectAll();
            QApplication::setActiveWindow(table);
            pressCtrlG(*table->view());
        });
        QCOMPARE(reports, QStringList("На одном профиле каскада различимы не больше 8 расчётов, а выбрано 9."));
    }

    // The temperature's axis in kelvin, the pressure's from 0 without a
    // unit, the reactors' ticked from the first; a value outside its physical
    // limits ringed, the limit as its tooltip, GB and WB below zero among
    // them; every point and ring drawn whole within its panel.
    void axesAndValuesOutsidePhysics()
    {
        whileOpenForm3([&] {
            calculate(fieldsWith(24, "0.05"));
            ChartWindow* chart = pressCtrlG(program->Form3());
            const QList<QChart*> charts = chartsOf(*chart);
            QStringList titles;
            for (QChart* panel : charts)
                for (QAbstractAxis* axis : panel->axes()) {
                    const auto* values = static_cast<QValueAxis*>(axis);
                    auto* ticked = qobject_cast<QCategoryAxis*>(axis);
                    titles << QString("%1 from %2")
                                  .arg(axis->titleText())
                                  .arg(ticked ? ticked->categoriesLabels().value(0)
                                              : QString::number(values->tickAnchor()));
                }
            QCOMPARE(titles, QStringList({"Реактор from 1", "y1 … y6 from 0.0", "Реактор from 1", "GB, WB from -2",
                                          "Реактор from 1", "t, К from 430", "P from 0"}));
            QStringList rings;
            for (QChart* panel : charts)
                for (QAbstractSeries* series : panel->series()) {
                    const auto* line = static_cast<QXYSeries*>(series);
                    const qreal radius = line->markerSize() / 2 + line->pen().widthF();
                    for (const QPointF& point : line->points())
                        QVERIFY2(panel->plotArea()
                                     .adjusted(radius, radius, -radius, -radius)
                                     .contains(panel->mapToPosition(point, series)),
                                 qPrintable(QString("%1 at %2").arg(series->name()).arg(point.x())));
                    if (auto* ring = qobject_cast<QScatterSeries*>(series))
                        rings << QString("%1 %2").arg(ring->name()).arg(ring->count());
                }
            QCOMPARE(rings, QStringList({"Вне физических пределов 8", "Вне физических пределов 8",
                                         "Вне физических пределов 1"}));
            auto* pressureRing = qobject_cast<QScatterSeries*>(charts[2]->series().last());
            QCOMPARE(pressureRing->points(), QList<QPointF>{QPointF(24, 0)});
            Q_EMIT pressureRing->hovered(QPointF(24, 0), true);
            QCOMPARE(QToolTip::text(), QString("Реактор 24: вне физических пределов, P ≤ 0 — давление не выше нуля"));
        });
    }

    // The axes write their numbers with the model window's separator.
    void ticksWithTheWindowsSeparator_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("tick");
        QTest::newRow("C") << QLocale::c() << "0.5";
        QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia) << "0,5";
    }
    void ticksWithTheWindowsSeparator()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, tick);
        fixture.stop();
        fixture.start([locale] { return locale; });
        QStringList example = kBubbleExample;
        for (QString& text : example)
            text.replace('.', tick[1]);
        whileOpenForm3([&] {
            calculate(example);
            QStringList labels;
            for (QChart* panel : chartsOf(*pressCtrlG(program->Form3())))
                for (QAbstractAxis* axis : panel->axes())
                    if (auto* ticked = qobject_cast<QCategoryAxis*>(axis))
                        labels << ticked->categoriesLabels();
            QVERIFY2(labels.contains(tick), qPrintable(labels.join(' ')));
        });
        QCOMPARE(reports, QStringList());
    }

    void savedAtThePictureSize_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("type");
        QTest::addColumn<QSize>("saved"); // negative: the window's size times -width; 0 x 0: refused
        QTest::newRow("PNG twice as sharp") << "как в окне, вдвое чётче" << 0 << QSize(-2, 0);
        QTest::newRow("PNG chosen") << "1200 × 800" << 0 << QSize(1200, 800);
        QTest::newRow("PNG typed") << "640x480" << 0 << QSize(640, 480);
        QTest::newRow("SVG chosen") << "1600 × 1000" << 1 << QSize(1600, 1000);
        QTest::newRow("too small") << "50 × 50" << 0 << QSize(0, 0);
    }
    void savedAtThePictureSize()
    {
        QFETCH(QString, size);
        QFETCH(int, type);
        QFETCH(QSize, saved);
        QTemporaryDir folder;
        const QString path = folder.filePath(type == 0 ? "p.png" : "p.svg");
        whileOpenForm3([&] {
            calculate(kBubbleExample);
            ChartWindow* chart = pressCtrlG(program->Form3());
            const QSize window = chart->view()->viewport()->size();
            chart->pictureSizeBox()->setCurrentText(size);
            answer = kaskad::ui::ChosenFile{path, std::size_t(type)};
            chart->saveButton()->click();
            if (saved.isEmpty() && saved.width() < 0)
                saved = window * -saved.width();
        });
        if (saved.isEmpty()) {
            QCOMPARE(reports, QStringList("Размер рисунка «50 × 50» не понят: нужны ширина × высота в пикселях, "
                                          "каждая от 200 до 10000, например 1600 × 1000."));
            QVERIFY(!QFileInfo::exists(path));
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (type == 0) {
            QImage image;
            QVERIFY(image.loadFromData(bytes, "PNG"));
            QCOMPARE(image.size(), saved);
        } else {
            QVERIFY(bytes.contains(QString(" viewBox=\"0 0 %1 %2\"").arg(saved.width()).arg(saved.height()).toUtf8()));
            QVERIFY(bytes.contains("<title>Профиль каскада — Тевир Барботажный, расчёт 1</title>"));
        }
        QCOMPARE(reports, QStringList());
    }

    void unwritableChartFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("missing/p.png");
        whileOpenForm3([&] {
            calculate(kBubbleExample);
            ChartWindow* chart = pressCtrlG(program->Form3());
            answer = kaskad::ui::ChosenFile{path, 0};
            chart->saveButton()->click();
        });
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].startsWith("Не удалось сохранить «" + path + "»: "), qPrintable(reports[0]));
        QVERIFY(!QFileInfo::exists(path));
    }

    void closingTheModelWindowClosesTheChart()
    {
        ChartWindow* chart = nullptr;
        whileOpenForm3([&] {
            calculate(kBubbleExample);
            chart = pressCtrlG(program->Form3());
            QVERIFY(chart->isVisible());
        });
        QVERIFY(chart && !chart->isVisible());
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kaskad::app::adoptApplicationTitle();
    ChartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "chart_test.moc"
