// The study window: the point count as the values are typed, a wrong cell
// marked, a study run to its end with kaskad-cli's digits, stopped, closed
// while it runs, a point put into the fields, and the study saved and opened;
// its cells copied, its points' profiles, its chart's legend and its report.
#include "formats/study_definition.h"
#include "program_fixture.h"
#include "ui/chart_window.h"
#include "ui/model_form.h"
#include "ui/qt_text.h"
#include "ui/study_chart.h"
#include "ui/study_table_model.h"
#include "ui/study_window.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QHeaderView>
#include <QtCharts/QAbstractSeries>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using kaskad::ui::ModelForm;
using kaskad::ui::StudyWindow;

namespace {

// kaskad-cli's standard output for `arguments`.
QByteArray cliOutput(const QStringList& arguments)
{
    QProcess cli;
    cli.start(QStringLiteral(KASKAD_CLI_PATH), arguments);
    cli.waitForFinished(60000);
    return cli.readAllStandardOutput();
}

// kaskad-cli's outlet rows of the study below, each split at its commas.
QList<QStringList> cliOutletRows(const QStringList& options)
{
    QList<QStringList> rows;
    const QList<QByteArray> lines =
        cliOutput(QStringList{"sweep", "bubble"} + options + QStringList{"--criterion", "--outlet"})
            .trimmed()
            .split('\n');
    for (qsizetype l = 1; l < lines.size(); ++l)
        rows << QString::fromLatin1(lines[l]).split(',');
    return rows;
}

// The charts a chart window's scene holds, top first.
QList<QChart*> chartsIn(const QGraphicsView& view)
{
    QList<QChart*> charts;
    for (QGraphicsItem* item : view.scene()->items())
        if (auto* chart = dynamic_cast<QChart*>(item))
            charts << chart;
    std::sort(charts.begin(), charts.end(), [](QChart* a, QChart* b) { return a->pos().y() < b->pos().y(); });
    return charts;
}

QStringList visibleLegend(const QChart& chart)
{
    QStringList legend;
    for (QLegendMarker* marker : chart.legend()->markers())
        if (marker->isVisible())
            legend << marker->label();
    return legend;
}

const QStringList kStudyValues = {"2:4:2", "3", "2.5", "0.03:0.07:0.02", "430;433", "2", "3", "3600"};
const QStringList kStudyOptions = {"--N", "2:4:2",   "--y10", "3", "--y50", "2.5", "--wg", "0.03:0.07:0.02",
                                   "--t", "430;433", "--dtr", "2", "--d",   "3",   "--ts", "3600"};

} // namespace

class StudyTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;
    QTemporaryDir folder;

    ModelForm& form3() { return fixture.program->Form3(); }

    StudyWindow& openStudy()
    {
        QTest::keyClick(&form3(), Qt::Key_R, Qt::ControlModifier);
        StudyWindow* study = form3().studyWindow();
        if (study)
            (void)QTest::qWaitForWindowExposed(study);
        return *study;
    }
    static void typeValues(StudyWindow& study, const QStringList& values)
    {
        for (int n = 1; n <= 8; ++n)
            study.valuesCell(kaskad::Field(n))->setText(values[n - 1]);
    }
    static bool finishes(StudyWindow& study)
    {
        return QTest::qWaitFor([&] { return !study.running(); }, 60000);
    }
    QByteArray savedResults(StudyWindow& study)
    {
        const QString path = folder.filePath("study.csv");
        fixture.answer = kaskad::ui::ChosenFile{path, 0};
        study.saveResults();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { fixture.start(); }
    void cleanup() { fixture.stop(); }

    void pointCountAsOneTypes_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("countLine");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("one point") << 4 << "0.05"
                                   << "Точек: 1"
                                   << "";
        QTest::newRow("range of five") << 4 << "0.03:0.07:0.01"
                                       << "Точек: 5"
                                       << "";
        QTest::newRow("list of three") << 5 << "430;433;436"
                                       << "Точек: 3"
                                       << "";
        QTest::newRow("zero step") << 5 << "433:440:0"
                                   << "Ошибка: --t: range '433:440:0' has a zero step"
                                   << "range '433:440:0' has a zero step";
        QTest::newRow("not a number") << 8 << "1800:x:600"
                                      << "Ошибка: --ts: 'x' is not a valid floating point value."
                                      << "'x' is not a valid floating point value.";
    }
    void pointCountAsOneTypes()
    {
        QFETCH(int, field);
        QFETCH(QString, values);
        QFETCH(QString, countLine);
        QFETCH(QString, tooltip);
        fixture.whileOpen("Form3", [&] {
            fixture.typeFields(form3(), kaskad::ui::test_support::kBubbleExample);
            StudyWindow& study = openStudy();
            QTest::keyClicks(study.valuesCell(kaskad::Field(field)), "x");
            study.valuesCell(kaskad::Field(field))->setText(values);
            QCOMPARE(study.pointCountLine()->text(), countLine);
            QCOMPARE(study.valuesCell(kaskad::Field(field))->toolTip(), tooltip);
            QCOMPARE(study.valuesCell(kaskad::Field(field))->styleSheet().isEmpty(), tooltip.isEmpty());
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // The saved rows, outlet or every reactor, are kaskad-cli's sweep of the
    // same study with the criterion, byte for byte; the cells show its digits.
    void runToTheEndGivesTheCliDigits()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            QCOMPARE(study.pointCountLine()->text(), QString("Точек: 12"));
            study.runButton()->click();
            QVERIFY(finishes(study));
            QCOMPARE(study.statusLine()->text(), QString("Рассчитано точек: 12"));
            QCOMPARE(study.progressBar()->value(), 12);
            const QByteArray outlet =
                cliOutput(QStringList{"sweep", "bubble"} + kStudyOptions + QStringList{"--criterion", "--outlet"});
            QCOMPARE(savedResults(study), outlet);
            QCOMPARE(study.tableModel().rowCount(), 12);
            const QList<QByteArray> lastRow = outlet.trimmed().split('\n').last().split(',');
            for (int c = 0; c < study.tableModel().columnCount(); ++c)
                if (c < 21)
                    QCOMPARE(study.tableModel().data(study.tableModel().index(11, c), Qt::DisplayRole).toString(),
                             QString::fromLatin1(lastRow[c]));
            study.everyReactorBox()->setChecked(true);
            const QByteArray every =
                cliOutput(QStringList{"sweep", "bubble"} + kStudyOptions + QStringList{"--criterion"});
            QCOMPARE(study.tableModel().rowCount(), int(every.count('\n')) - 1);
            QCOMPARE(savedResults(study), every);
            study.onlyMeetingBox()->setChecked(true);
            QCOMPARE(savedResults(study),
                     cliOutput(QStringList{"sweep", "bubble"} + kStudyOptions + QStringList{"--only-meeting"}));
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // The table reads as the results table: its columns named alike, the
    // criterion's in words and kaskad-cli's names as tooltips, numbers to the
    // right, constant fields narrow; the filter counts the points meeting the
    // criterion and says so when it leaves none.
    void tableReadsAsTheResultsTable()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            const kaskad::ui::StudyTableModel& table = study.tableModel();
            const int last = table.columnCount() - 1;
            QStringList headers;
            for (int column : {0, 4, 8, 9, 21, 23, last - 1, last})
                headers << table.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            QCOMPARE(headers, QStringList({"N", "t1", "Реактор", "y1", "Вид ошибки", "Выход: y2>=1.47",
                                           "Критерий выполнен", "Запас критерия"}));
            QCOMPARE(table.headerData(4, Qt::Horizontal, Qt::ToolTipRole).toString(),
                     QString("В файле CSV и в kaskad-cli: --t"));
            QCOMPARE(table.data(table.index(0, 9), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                     Qt::AlignRight | Qt::AlignVCenter);
            QVERIFY(study.view()->columnWidth(1) < study.view()->columnWidth(3) / 2);
            QCOMPARE(study.onlyMeetingBox()->text(), QString("только точки, удовлетворяющие критерию: 0 из 12"));
            study.onlyMeetingBox()->setChecked(true);
            QVERIFY2(study.statusLine()->text().startsWith("Ни одна из 12 точек не удовлетворяет критерию"),
                     qPrintable(study.statusLine()->text()));
            study.onlyMeetingBox()->setChecked(false);
            QCOMPARE(study.statusLine()->text(), QString("Рассчитано точек: 12"));
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // The margin shows the window's separator whole, also one of two UTF-8
    // bytes, and the text helper gives back the formatter's very bytes.
    void tableShowsTheWholeSeparator_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("shown");
        QTest::newRow("point") << "."
                               << "2.5";
        QTest::newRow("comma") << ","
                               << "2,5";
        QTest::newRow("Arabic decimal separator") << "٫"
                                                  << "2٫5";
    }
    void tableShowsTheWholeSeparator()
    {
        QFETCH(QString, separator);
        QFETCH(QString, shown);
        const kaskad::DecimalSeparator windowSeparator = *kaskad::DecimalSeparator::fromText(separator.toStdString());
        kaskad::FieldTexts fields;
        std::ranges::copy(kaskad::test_support::kBubbleExampleFields, fields.begin());
        kaskad::ui::StudyTableModel table;
        table.reset(std::make_shared<const kaskad::study::SweepPlan>(kaskad::ModelKind::bubble, fields, '.'));
        kaskad::ui::StudyPoint point;
        point.criterion.margin = 2.5;
        table.append({point});
        table.setDecimalSeparator(windowSeparator);
        QCOMPARE(table.data(table.index(0, table.columnCount() - 1), Qt::DisplayRole).toString(), shown);
        QCOMPARE(kaskad::ui::numberText(2.5, windowSeparator).toStdString(),
                 std::string(kaskad::NumberToText(2.5, windowSeparator)));
    }

    // Stopped, a study keeps its points; run again, it starts afresh; closing
    // the window while it runs stops it and waits for its thread.
    void stopRunAgainAndCloseWhileRunning()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, {"24", "3", "2.5", "0.05", "433", "2", "3", "1:400000:1"});
            for (int round = 0; round < 2; ++round) {
                study.runButton()->click();
                QVERIFY(study.running());
                QVERIFY(!study.runButton()->isEnabled());
                QTRY_VERIFY(study.tableModel().rowCount() > 0);
                study.stopButton()->click();
                QVERIFY(finishes(study));
                QVERIFY2(study.statusLine()->text().startsWith("Остановлено: рассчитано "),
                         qPrintable(study.statusLine()->text()));
                QVERIFY(study.tableModel().rowCount() < 400000);
                QVERIFY(study.runButton()->isEnabled());
            }
            study.runButton()->click();
            QTRY_VERIFY(study.tableModel().rowCount() > 0);
            study.close();
            QVERIFY(!study.running());
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // A click on a header sorts the rows off the window's thread, the runs of
    // reactors other than the outlet made again: the rows come in kaskad-cli's
    // order sorted stably by the column, largest first; "Остановить" before
    // the sort ends leaves the rows and the header's arrow as they were.
    void sortOffTheWindowsThread_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("y1 of every reactor") << "y1" << false;
        QTest::newRow("the margin, a point's") << "outlet_criterion_margin" << false;
        QTest::newRow("y1, stopped at once") << "y1" << true;
    }
    void sortOffTheWindowsThread()
    {
        QFETCH(QString, column);
        QFETCH(bool, stopped);
        QList<QStringList> cli;
        for (const QByteArray& line :
             cliOutput(QStringList{"sweep", "bubble"} + kStudyOptions + QStringList{"--criterion"})
                 .trimmed()
                 .split('\n'))
            cli << QString::fromLatin1(line).split(',');
        const auto by = int(cli.takeFirst().indexOf(column));
        if (!stopped)
            std::stable_sort(cli.begin(), cli.end(), [by](const QStringList& a, const QStringList& b) {
                return a[by].toDouble() > b[by].toDouble();
            });
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.everyReactorBox()->setChecked(true);
            kaskad::ui::StudyTableModel& table = study.tableModel();
            study.view()->sortByColumn(by, Qt::DescendingOrder);
            if (stopped) {
                QVERIFY(study.stopButton()->isEnabled());
                study.stopButton()->click();
            }
            QTRY_VERIFY(!table.sorting());
            QCOMPARE(study.view()->horizontalHeader()->sortIndicatorSection(), stopped ? -1 : by);
            QCOMPARE(table.rowCount(), int(cli.size()));
            for (int r = 0; r < table.rowCount(); ++r)
                for (int c = 0; c < 21; ++c)
                    QCOMPARE(table.data(table.index(r, c), Qt::DisplayRole).toString(), cli[r][c]);
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // The row's texts go into the fields; nothing is calculated.
    void putIntoFieldsWithoutCalculating()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.view()->sortByColumn(int(study.tableModel().columns().size()) - 1, Qt::DescendingOrder);
            QTRY_VERIFY(!study.tableModel().sorting());
            study.view()->setCurrentIndex(study.tableModel().index(0, 0));
            const kaskad::FieldTexts best = study.tableModel().fieldsOf(0);
            study.findChild<QPushButton*>("StudyPutIntoFields")->click();
            for (int n = 1; n <= 8; ++n)
                QCOMPARE(form3().field(n)->text(), QString::fromStdString(best[kaskad::Field(n)]));
            QVERIFY(form3().runs().empty());
            QVERIFY(form3().pane(1)->toPlainText().isEmpty());
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // Lines of an outlet quantity, one per value of the second swept field,
    // with the criterion's band; the margin's map; both saved.
    void chartDrawnAndSaved_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("lines as PNG") << 0 << "lines.png" << QByteArray("\x89PNG");
        QTest::newRow("map as SVG") << 1 << "map.svg" << QByteArray("<?xml");
    }
    void chartDrawnAndSaved()
    {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(QByteArray, start);
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.showChart();
            kaskad::ui::StudyChartWindow& chart = *study.chartWindow();
            QCOMPARE(chart.xBox()->currentText(), QString("N"));
            QCOMPARE(chart.otherBox()->currentText(), QString("wg"));
            chart.quantityBox()->setCurrentText("y2");
            chart.kindBox()->setCurrentIndex(kind);
            chart.redraw();
            QStringList names;
            for (QGraphicsItem* item : chart.view()->scene()->items())
                if (auto* drawn = dynamic_cast<QChart*>(item))
                    for (QAbstractSeries* series : drawn->series())
                        names << series->name();
            const QStringList lines = {"wg = 0.03", "wg = 0.05", "wg = 0.07", "критерий: y2>=1.47"};
            QCOMPARE(names, kind == 0 ? lines : QStringList());
            const QString path = folder.filePath(file);
            fixture.answer = kaskad::ui::ChosenFile{path, std::size_t(kind)};
            chart.save();
            QFile saved(path);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QVERIFY(saved.readAll().startsWith(start));
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    void copyCells_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<bool>("withHeaders");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one cell: its value alone") << "0,9-0,9" << false << "1.36232256889343\n";
        QTest::newRow("a block, with headers") << "0,3-1,4" << true << "wg\tt1\n0.03\t430\n0.03\t433\n";
        QTest::newRow("two cells apart, with headers")
            << "0,9-0,9 1,28-1,28" << true << "y1\tЗапас критерия\n1.36232256889343\t\n\t-0.763661441802979\n";
    }
    // Ctrl+C copies the selected cells only; Ctrl+Shift+C puts the columns'
    // names first, as the results table does.
    void copyCells()
    {
        QFETCH(QString, selection);
        QFETCH(bool, withHeaders);
        QFETCH(QString, expected);
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            QTableView* view = study.view();
            for (const QString& block : selection.split(' ')) {
                const QStringList corners = block.split('-');
                const auto at = [&](const QString& corner) {
                    return view->model()->index(corner.section(',', 0, 0).toInt(), corner.section(',', 1, 1).toInt());
                };
                view->selectionModel()->select(QItemSelection(at(corners[0]), at(corners[1])),
                                               QItemSelectionModel::Select);
            }
            view->setFocus();
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(view, Qt::Key_C,
                            withHeaders ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    void profileOfTheSelectedPoints_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("key");
        QTest::addColumn<QString>("report");
        QTest::newRow("one point") << QList<int>{4} << "Профиль каскада — Тевир Барботажный, точка 5" << QStringList{}
                                   << "";
        QTest::newRow("two points") << QList<int>{11, 0} << "Профиль каскада — Тевир Барботажный, точки 1, 12"
                                    << QStringList{"Точка 1: N=2, wg=0.03, t=430", "Точка 12: N=4, wg=0.07, t=433"}
                                    << "";
        QTest::newRow("more than one chart tells apart")
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8} << "" << QStringList{}
            << "На одном профиле каскада различимы не больше 8 расчётов, а выбрано 9.";
    }
    // Ctrl+Shift+G draws the selected rows' points on one profile chart, run
    // again to the same digits as kaskad-cli's sweep gives them.
    void profileOfTheSelectedPoints()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QString, title);
        QFETCH(QStringList, key);
        QFETCH(QString, report);
        const QList<QStringList> cli = cliOutletRows(kStudyOptions);
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            for (int row : rows)
                study.view()->selectionModel()->select(study.tableModel().index(row, 12), QItemSelectionModel::Select);
            QTest::keyClick(study.view(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
            if (!report.isEmpty())
                return;
            kaskad::ui::ChartWindow* profile = study.profileWindow();
            QVERIFY(profile && profile->isVisible());
            QCOMPARE(profile->windowTitle(), title);
            const QList<QChart*> charts = chartsIn(*profile->view());
            QCOMPARE(visibleLegend(*charts[2]), QStringList({"Температура в реакторе", "Давление в реакторе"}));
            QStringList texts;
            for (QGraphicsItem* item : profile->view()->scene()->items(Qt::AscendingOrder))
                if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item); text && !text->parentItem())
                    texts << text->text();
            QCOMPARE(texts.mid(1), key);
            const int first = *std::min_element(rows.begin(), rows.end());
            const auto* y1 = static_cast<QLineSeries*>(charts[0]->series()[0]);
            std::string digits;
            kaskad::appendNumberText(digits, y1->points().last().y(), '.');
            QCOMPARE(QString::fromStdString(digits), cli[first][9]);
        });
        QCOMPARE(fixture.reports, report.isEmpty() ? QStringList() : QStringList{report});
    }

    // The chart names the swept fields it does not draw and the texts it
    // holds them at, the table's current row's, and follows that row; a new
    // study offers its own swept fields at once.
    void chartFollowsTheCurrentRow()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.showChart();
            kaskad::ui::StudyChartWindow& chart = *study.chartWindow();
            const auto texts = [&] {
                QStringList shown;
                for (QGraphicsItem* item : chart.view()->scene()->items())
                    if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
                        shown << text->text();
                return shown;
            };
            QVERIFY2(texts().contains("При t = 430"), qPrintable(texts().join('|')));
            study.view()->setCurrentIndex(study.tableModel().index(1, 0));
            QVERIFY2(texts().contains("При t = 433"), qPrintable(texts().join('|')));
            QCOMPARE(chart.shownChoice()->reference, std::size_t(1));
            typeValues(study, {"24", "3", "2.5", "0.05", "433", "2", "1:400000:1", "600;1200"});
            study.runButton()->click();
            QStringList offered;
            for (int i = 0; i < chart.xBox()->count(); ++i)
                offered << chart.xBox()->itemText(i);
            QCOMPARE(offered, QStringList({"d", "ts"}));
            study.stopButton()->click();
            QVERIFY(finishes(study));
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // The margin map colours each sign on its own scale, so the one point
    // meeting the criterion by 0.023 is as deep a green as the worst miss,
    // by 0.75, is red; the scale's ends in two digits.
    void marginMapScalesEachSign()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, {"20", "2.6", "3.1:3.4:0.1", "0.2", "433", "2", "3", "300:900:300"});
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.showChart();
            kaskad::ui::StudyChartWindow& chart = *study.chartWindow();
            chart.kindBox()->setCurrentIndex(1);
            chart.redraw();
            QStringList texts;
            QSet<QRgb> colours;
            for (QGraphicsItem* item : chart.view()->scene()->items(Qt::AscendingOrder)) {
                if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
                    texts << text->text();
                if (auto* cell = dynamic_cast<QGraphicsRectItem*>(item))
                    colours << cell->brush().color().rgb();
            }
            QCOMPARE(texts.mid(texts.size() - 3), QStringList({"0.023", "0", "-0.75"}));
            QVERIFY(colours.contains(QColor(90, 200, 90).rgb()));
            QVERIFY(colours.contains(QColor(200, 90, 90).rgb()));
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // With more lines than the legend holds, it names every third and the
    // last, and counts them all.
    void legendOfManyLines()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, {"2:3:1", "3", "2.5", "0.01:0.26:0.01", "433", "2", "3", "3600"});
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.showChart();
            QCOMPARE(visibleLegend(*chartsIn(*study.chartWindow()->view()).first()),
                     QStringList({"wg = 0.01", "wg = 0.04", "wg = 0.07", "wg = 0.1", "wg = 0.13", "wg = 0.16",
                                  "wg = 0.19", "wg = 0.22", "wg = 0.25", "wg = 0.26", "… всего 26 линий"}));
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // Ctrl+P writes the study's report: its definition, and the ten points of
    // the largest margins with their outlets as kaskad-cli gives them, none
    // of the others; its chart in vectors.
    void reportHoldsTheDefinitionAndTheBestPoints()
    {
        const QString path = folder.filePath("study-report.pdf");
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            fixture.answer = kaskad::ui::ChosenFile{path, 0};
            QTest::keyClick(study.view(), Qt::Key_P, Qt::ControlModifier);
        });
        QCOMPARE(fixture.reports, QStringList());
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", path, "-"});
        QVERIFY(pdftotext.waitForFinished(30000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
        const QStringList words = text.split(' ');
        for (const QString& values : kStudyValues)
            QVERIFY2(words.contains(values), qPrintable(values));
        QVERIFY(text.contains("Точек: 12, все рассчитаны."));
        QVERIFY(text.contains("При t = 430"));
        QList<QStringList> cli = cliOutletRows(kStudyOptions);
        std::stable_sort(cli.begin(), cli.end(), [](const QStringList& a, const QStringList& b) {
            return a.last().toDouble() > b.last().toDouble();
        });
        for (qsizetype best = 0; best < cli.size(); ++best) {
            for (int column = 9; column <= 20 && best < 10; ++column)
                QVERIFY2(words.contains(cli[best][column]),
                         qPrintable(QString("point %1: %2").arg(best).arg(cli[best][column])));
            QVERIFY2(words.contains(cli[best].last()) == (best < 10), qPrintable(cli[best].last()));
        }
        QProcess pdfimages;
        pdfimages.start("pdfimages", {"-list", path});
        QVERIFY(pdfimages.waitForFinished(30000));
        QCOMPARE(pdfimages.readAllStandardOutput().count('\n'), 2);
    }

    // A study saved under the comma opens with its numbers as the window types them.
    void saveAndOpenTheStudy()
    {
        const QString path = folder.filePath("a.kaskad-study.json");
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            fixture.answer = kaskad::ui::ChosenFile{path, 0};
            study.saveStudy();
            typeValues(study, kaskad::ui::test_support::kBubbleExample);
            study.openStudy();
            for (int n = 1; n <= 8; ++n)
                QCOMPARE(study.valuesCell(kaskad::Field(n))->text(), kStudyValues[n - 1]);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            kaskad::FieldTexts values;
            for (int n = 1; n <= 8; ++n)
                values[kaskad::Field(n)] = kStudyValues[n - 1].toStdString();
            QCOMPARE(file.readAll().toStdString(),
                     kaskad::formats::studyJson({kaskad::ModelKind::bubble, values}, '.'));

            const QString gaslift = folder.filePath("g.kaskad-study.json");
            QFile other(gaslift);
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write(kaskad::formats::studyJson({kaskad::ModelKind::gaslift, values}, ',').c_str());
            other.close();
            fixture.answer = kaskad::ui::ChosenFile{gaslift, 0};
            kaskad::ui::guarded([&] { study.openStudy(); });
        });
        QCOMPARE(fixture.reports, QStringList({"Не удалось открыть «" + folder.filePath("g.kaskad-study.json") +
                                               "»: это исследование окна «Тевир Газлифтовый»."}));
    }
};

QTEST_MAIN(StudyTest)
#include "study_test.moc"
