// The window "Допуски и надёжность" (Ctrl+U): its cells read as tolerances or
// distributions, the sensitivity and the uncertainty study it shows match the
// study libraries run on the same inputs, and its saved results match
// kaskad-cli uncertainty.
#include "program_fixture.h"
#include "study/sensitivity.h"
#include "ui/model_form.h"
#include "ui/tolerance_cells.h"
#include "ui/uncertainty_window.h"
#include "uncertainty/uncertainty.h"

#include <QCheckBox>
#include <QGraphicsView>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using kaskad::DecimalSeparator;
using kaskad::FieldTexts;
using kaskad::ui::UncertaintyWindow;
using kaskad::ui::test_support::kBubbleExample;
using kaskad::ui::test_support::kGasLiftExample;

namespace {

QString digits(long double value, DecimalSeparator separator)
{
    return QString::fromStdString(std::string(kaskad::NumberToText(value, separator)));
}

FieldTexts fieldTexts(const QStringList& texts)
{
    FieldTexts fields;
    for (int n = 1; n <= 8; ++n)
        fields[kaskad::Field(n)] = texts[n - 1].toStdString();
    return fields;
}

} // namespace

class UncertaintyTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;

    // Ctrl+U in the model window's first field opens the window.
    UncertaintyWindow& openByKeys(const QString& window)
    {
        kaskad::ui::ModelForm& form = fixture.modelWindow(window);
        form.field(1)->setFocus();
        QTest::keyClick(form.field(1), Qt::Key_U, Qt::ControlModifier);
        UncertaintyWindow* opened = form.uncertaintyWindow();
        if (!opened || !QTest::qWaitForWindowExposed(opened))
            qFatal("Ctrl+U opened no window");
        // Qt counts the window active with its owner; its own keys work once it is itself.
        opened->activateWindow();
        if (!QTest::qWaitFor([opened] { return QApplication::activeWindow() == opened; }))
            qFatal("the window opened by Ctrl+U never became active");
        return *opened;
    }

private Q_SLOTS:
    void cleanup() { fixture.stop(); }

    void cellsMakeTheStudiesTexts_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("uncertainText");
        QTest::addColumn<QString>("sensitivityTolerance");
        QTest::newRow("a half-width") << "±1"
                                      << "433±1"
                                      << "±1";
        QTest::newRow("a share, typed +-") << " +-5% "
                                           << "433+-5%"
                                           << "±5%";
        QTest::newRow("a comma in the tolerance") << "±0,5"
                                                  << "433±0,5"
                                                  << "±0.5";
        QTest::newRow("a normal: two deviations") << "normal(434;0,5)"
                                                  << "normal(434;0,5)"
                                                  << "±1";
        QTest::newRow("a triangular: its farther end") << "triangular(430;433;434)"
                                                       << "triangular(430;433;434)"
                                                       << "±3";
        QTest::newRow("an empty cell") << "  "
                                       << "433"
                                       << "";
    }
    // The temperature's cell with "," as the window's separator.
    void cellsMakeTheStudiesTexts()
    {
        QFETCH(QString, cell);
        QFETCH(QString, uncertainText);
        QFETCH(QString, sensitivityTolerance);
        FieldTexts cells;
        cells[kaskad::fieldT] = cell.toStdString();
        const kaskad::ui::ToleranceTable table{kaskad::ModelKind::bubble, fieldTexts(kBubbleExample), cells, ','};
        QCOMPARE(QString::fromStdString(kaskad::ui::uncertainTexts(table)[kaskad::fieldT]), uncertainText);
        const auto tolerances = kaskad::ui::sensitivityTolerances(table);
        QCOMPARE(tolerances.contains("t") ? QString::fromStdString(tolerances.at("t").text()) : QString(),
                 sensitivityTolerance);
    }

    void windowShowsWhatTheLibrariesGive_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("distribution");
        QTest::newRow("bubble column, ±1") << "Form3" << QLocale::c() << "±1"
                                           << "433±1";
        QTest::newRow("bubble column, a normal, decimal comma")
            << "Form3" << QLocale(QLocale::Russian, QLocale::Russia) << "normal(433;0,5)"
            << "normal(433;0,5)";
        QTest::newRow("gas-lift, ±2%") << "Form1" << QLocale::c() << "±2%"
                                       << "450±2%";
    }
    // The temperature's cell filled: the tornado's margins are the
    // sensitivity's at the window's point, and P(meets) with its interval and
    // the margin's mean are runUncertainty's for the same fields and settings.
    void windowShowsWhatTheLibrariesGive()
    {
        QFETCH(QString, window);
        QFETCH(QLocale, locale);
        QFETCH(QString, cell);
        QFETCH(QString, distribution);
        fixture.start([locale] { return locale; });
        const DecimalSeparator separator = locale == QLocale::c() ? DecimalSeparator('.') : DecimalSeparator(',');
        QStringList example = window == "Form1" ? kGasLiftExample : kBubbleExample;
        example.replaceInStrings(".", QString::fromStdString(std::string(separator.text())));
        const kaskad::ModelKind model = window == "Form1" ? kaskad::ModelKind::gaslift : kaskad::ModelKind::bubble;
        fixture.whileOpen(window, [&] {
            kaskad::ui::test_support::ProgramFixture::typeFields(fixture.modelWindow(window), example);
            UncertaintyWindow& w = openByKeys(window);
            w.toleranceCell(kaskad::fieldT)->setText(cell);
            QVERIFY(w.toleranceCell(kaskad::fieldT)->styleSheet().isEmpty());

            w.sensitivityButton()->click();
            QVERIFY2(fixture.reports.isEmpty(), qPrintable(fixture.reports.join('|')));
            QCOMPARE(w.tabs()->currentIndex(), int(UncertaintyWindow::tornadoTab));
            QVERIFY(w.chartView(UncertaintyWindow::tornadoTab)->scene());
            const kaskad::study::FieldPoint point(model, fieldTexts(example), separator);
            const kaskad::study::SensitivityResult sensitivity = kaskad::study::sensitivity(
                point, kaskad::ui::sensitivityTolerances({model, fieldTexts(example), w.findings().cells, separator}));
            const auto& bars = w.findings().tornado->bars;
            QCOMPARE(bars.size(), sensitivity.fields.size());
            for (std::size_t k = 0; k < bars.size(); ++k) {
                QCOMPARE(digits(bars[k].below, '.'), digits(*sensitivity.fields[k].marginBelow, '.'));
                QCOMPARE(digits(bars[k].above, '.'), digits(*sensitivity.fields[k].marginAbove, '.'));
            }

            w.samplesBox()->setValue(40);
            w.seedBox()->setValue(7);
            w.runButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(!w.running(), 60000);
            QCOMPARE(fixture.reports, QStringList());
            FieldTexts fields = fieldTexts(example);
            fields[kaskad::fieldT] = distribution.toStdString();
            kaskad::study::UncertaintySettings settings;
            settings.samples = 40;
            settings.seed = 7;
            const kaskad::study::UncertaintyResult expected =
                kaskad::study::runUncertainty(kaskad::study::UncertainSpace(model, fields, separator), settings);
            const QString line = w.probabilityLine()->text();
            QVERIFY2(
                line.contains(QString("P = %1, 95 % интервал [%2; %3]; расчётов: 40,")
                                  .arg(digits(expected.meets.value, separator), digits(expected.meets.lower, separator),
                                       digits(expected.meets.upper, separator))),
                qPrintable(line));
            QCOMPARE(w.summaryModel().cellText(1, 0), digits(expected.margin->mean, separator));
            QCOMPARE(w.tabs()->currentIndex(), int(UncertaintyWindow::histogramTab));
            QVERIFY(w.chartView(UncertaintyWindow::histogramTab)->scene());
            w.close();
        });
    }

    // Saved as JSON, the results are kaskad-cli uncertainty's document for
    // the same fields and settings; the report holds P(meets).
    void savedResultsAsTheCommandLine()
    {
        fixture.start();
        const QString folder = QDir::tempPath() + "/kaskad-uncertainty-test";
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        fixture.whileOpen("Form3", [&] {
            kaskad::ui::test_support::ProgramFixture::typeFields(fixture.modelWindow("Form3"), kBubbleExample);
            UncertaintyWindow& w = openByKeys("Form3");
            w.toleranceCell(kaskad::fieldWg)->setText("±5%");
            w.samplesBox()->setValue(30);
            w.indicesBox()->setChecked(true);
            QTest::keyClick(w.toleranceCell(kaskad::fieldWg), Qt::Key_F9);
            QVERIFY2(w.running(), qPrintable(fixture.reports.join('|')));
            QTRY_VERIFY_WITH_TIMEOUT(!w.running(), 60000);
            QVERIFY2(fixture.reports.isEmpty(), qPrintable(fixture.reports.join('|')));
            QVERIFY2(w.chartView(UncertaintyWindow::sobolTab)->scene(), qPrintable(w.probabilityLine()->text()));
            fixture.answer = kaskad::ui::ChosenFile{folder + "/r.json", 1};
            QTest::keyClick(w.toleranceCell(kaskad::fieldWg), Qt::Key_S, Qt::ControlModifier);
            fixture.answer = kaskad::ui::ChosenFile{folder + "/r.pdf", 0};
            QTest::keyClick(w.toleranceCell(kaskad::fieldWg), Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(fixture.reports, QStringList());
            w.close();
        });
        const QStringList arguments{"uncertainty", "bubble", "--N",       "3",        "--y10", "3",
                                    "--y50",       "2.5",    "--wg",      "0.05±5%",  "--t",   "433",
                                    "--dtr",       "2",      "--d",       "3",        "--ts",  "3600",
                                    "--samples",   "30",     "--indices", "--format", "json"};
        QProcess cli;
        cli.start(KASKAD_CLI_PATH, arguments);
        QVERIFY(cli.waitForFinished(120000));
        QFile saved(folder + "/r.json");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), QString::fromUtf8(cli.readAllStandardOutput()));
        QProcess text;
        text.start("pdftotext", {folder + "/r.pdf", "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString report = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(report.contains("Вероятность выполнения критерия P ="), qPrintable(report));
        QVERIFY(report.contains("0.05±5%") || report.contains("±5%"));
    }
};

QTEST_MAIN(UncertaintyTest)
#include "uncertainty_test.moc"
