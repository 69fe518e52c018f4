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
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
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
                for (const QPointF& point : static_cast<QLineSeries*>(series)->points())
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
            QCOMPARE(series.size(), 8);
            QCOMPARE(series[0], QString("y1 - П - ксилол: 1=%1 2=%2 3=%3")
                                    .arg(double(1.55393481254578f), 0, 'g', 17)
                                    .arg(double(0.804904460906982f), 0, 'g', 17)
                                    .arg(double(0.416923016309738f), 0, 'g', 17));
            QCOMPARE(series.filter("Температура").value(0), QString("Температура в реакторе: 1=433 2=435 3=437"));
            QCOMPARE(series.filter("Давление").value(0), QString("Давление в реакторе: 1=5.75 2=5.5 3=5.25"));
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
            QCOMPARE(drawnSeries(*chart)[0].count('='), 24);
            program->Form3().findChild<QPushButton*>("Button4")->click();
            QVERIFY(!chart->isVisible());
            calculate({"", "", "", "", "", "", "", ""});
            activateForm3();
            pressCtrlG(program->Form3());
            QVERIFY(!chart->isVisible());
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
            QCOMPARE(drawnSeries(*chart).size(), 8);
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
            QFile window(folder.filePath("window.svg")), plot(folder.filePath("cli.svg"));
            QVERIFY(window.open(QIODevice::ReadOnly) && plot.open(QIODevice::ReadOnly));
            QCOMPARE(window.readAll(), plot.readAll());
        });
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
