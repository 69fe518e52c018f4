// The study window: the point count as the values are typed, a wrong cell
// marked, a study run to its end with kaskad-cli's digits, stopped, closed
// while it runs, a point put into the fields, and the study saved and opened.
#include "formats/study_definition.h"
#include "program_fixture.h"
#include "ui/model_form.h"
#include "ui/study_chart.h"
#include "ui/study_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsView>
#include <QtCharts/QAbstractSeries>
#include <QtCharts/QChart>
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

    // The row's texts go into the fields; nothing is calculated.
    void putIntoFieldsWithoutCalculating()
    {
        fixture.whileOpen("Form3", [&] {
            StudyWindow& study = openStudy();
            typeValues(study, kStudyValues);
            study.runButton()->click();
            QVERIFY(finishes(study));
            study.view()->sortByColumn(int(study.tableModel().columns().size()) - 1, Qt::DescendingOrder);
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
