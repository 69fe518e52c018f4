// The run report: Ctrl+P writes a PDF of the last run, or of the run selected
// in the table, whose text (by pdftotext) holds the panes' digits and the
// field texts; A4, fonts embedded, the chart in vectors; no run, no report.
#include "kaskad/version.h"
#include "model/criterion.h"
#include "program_fixture.h"
#include "ui/result_views.h"
#include "ui/results_window.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using kaskad::ui::ModelAction;
using kaskad::ui::ModelForm;

Q_DECLARE_METATYPE(kaskad::ui::ModelAction)

namespace {

// What a poppler tool prints about `path`.
QString popplerOutput(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(tool, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The report's text, word by word.
QStringList reportWords(const QString& path)
{
    return popplerOutput("pdftotext", {"-layout", path, "-"}).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

QAction* tableAction(kaskad::ui::ResultsWindow& table, const QString& text)
{
    for (QAction* action : table.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class ReportTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;
    QTemporaryDir folder;

    QString writeReport(const QString& window, const QString& name)
    {
        const QString path = folder.filePath(name);
        fixture.answer = kaskad::ui::ChosenFile{path, 0};
        fixture.modelWindow(window).action(ModelAction::report)->trigger();
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { fixture.stop(); }

    void holdsTheRunsDigits_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("bubble column, decimal point")
            << "Form3" << QLocale::c() << kaskad::ui::test_support::kBubbleExample << "Критерий не выполнен, запас";
        QTest::newRow("bubble column, criterion met")
            << "Form3" << QLocale::c() << QStringList{"10", "2.6", "3.39", "0.4", "433", "2", "3", "305"}
            << "Критерий выполнен, запас";
        QTest::newRow("gas-lift, decimal comma")
            << "Form1" << QLocale(QLocale::Russian, QLocale::Russia)
            << QStringList{"3", "3", "2", "0,05", "450", "2", "", "3600"} << "Критерий не выполнен, запас";
        QTest::newRow("bubble column, failed run")
            << "Form3" << QLocale::c() << QStringList{"30", "3", "2.5", "0.05", "433", "2", "3", "3600"}
            << "Выход каскада не рассчитан: критерий не проверяется. Расчёт прерван на реакторе 25: Invalid "
               "floating point operation.";
    }
    // Every value the panes show, each field text, the criterion's verdict
    // and margin and the version are words of the report's text.
    void holdsTheRunsDigits()
    {
        QFETCH(QString, window);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, fields);
        QFETCH(QString, verdict);
        fixture.start([locale] { return locale; });
        QString path;
        QStringList shown;
        fixture.whileOpen(window, [&] {
            fixture.calculate(window, fields);
            path = writeReport(window, "report.pdf");
            for (int pane = 1; pane <= 12; ++pane)
                for (const QString& line : fixture.modelWindow(window).pane(pane)->toPlainText().split('\n'))
                    if (const QStringList words = line.split(' ', Qt::SkipEmptyParts); !words.isEmpty())
                        shown << words.last();
        });
        QVERIFY(shown.size() >= 36);
        const QStringList words = reportWords(path);
        for (const QString& digits : shown)
            QVERIFY2(words.contains(digits), qPrintable(digits));
        for (const QString& text : fields)
            QVERIFY2(text.isEmpty() || words.contains(text), qPrintable(text));
        const kaskad::RunRecord& run = fixture.modelWindow(window).runs().back();
        std::string margin;
        if (const std::optional<double> value = kaskad::evaluateCriterion(run).margin)
            kaskad::appendNumberText(margin, *value, fixture.modelWindow(window).decimalSeparator());
        QCOMPARE(fixture.reports.size(), run.error ? 1 : 0);
        const QString text = words.join(' ');
        QVERIFY2(text.contains(verdict + (margin.empty() ? "" : " " + QString::fromStdString(margin))),
                 qPrintable(text.section("y5<=2.33", 1).left(160)));
        QVERIFY(words.join(' ').contains("Kaskad " KASKAD_VERSION));
    }

    // A4 pages, every font embedded, and the chart drawn in vectors: the
    // document holds no image.
    void isA4WithEmbeddedFontsAndNoImage()
    {
        fixture.start();
        QString path;
        fixture.whileOpen("Form3", [&] {
            fixture.calculate("Form3", {"24", "3", "2.5", "0.05", "433", "2", "3", "3600"});
            path = writeReport("Form3", "отчёт");
        });
        path += ".pdf";
        const QString info = popplerOutput("pdfinfo", {path});
        QVERIFY2(info.contains(QRegularExpression("Page size: +595.* x 842.* \\(A4\\)")), qPrintable(info));
        const QStringList fonts = popplerOutput("pdffonts", {path}).split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts)
            QVERIFY2(font.contains(QRegularExpression(" yes +(yes|no) +(yes|no) +\\d+ +\\d+$")), qPrintable(font));
        QCOMPARE(popplerOutput("pdfimages", {"-list", path}).split('\n', Qt::SkipEmptyParts).size(), 2);
    }

    // With a row of the first run selected, Ctrl+P in the table reports that
    // run; printing without a printer says so.
    void reportsTheRunSelectedInTheTable()
    {
        fixture.start();
        QString path = folder.filePath("first.pdf");
        fixture.whileOpen("Form3", [&] {
            fixture.calculate("Form3", {"5", "3", "2.5", "0.05", "433", "2", "3", "3600"});
            fixture.calculate("Form3", kaskad::ui::test_support::kBubbleExample);
            ModelForm& form = fixture.modelWindow("Form3");
            form.resultViews().showTable();
            kaskad::ui::ResultsWindow* table = form.resultViews().tableWindow();
            table->view()->selectRow(1);
            fixture.answer = kaskad::ui::ChosenFile{path, 0};
            tableAction(*table, "Отчёт…")->trigger();
        });
        QCOMPARE(fixture.reports, QStringList());
        const QString text = reportWords(path).join(' ');
        QVERIFY(text.contains("Тевир Барботажный — расчёт 1"));
        QVERIFY(text.contains("Реактор y1 y2 y3 y4 1 1.55393481254578"));
        QVERIFY(text.contains("число реакторов N N 5"));
    }

    void refusedWithoutARunOrAPlace_data()
    {
        QTest::addColumn<bool>("calculated");
        QTest::addColumn<ModelAction>("action");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("report");
        QTest::newRow("no run") << false << ModelAction::report << "r.pdf"
                                << "Отчёт составляется по выполненному расчёту: ни одного расчёта ещё нет.";
        QTest::newRow("no such folder") << true << ModelAction::report << "missing/r.pdf"
                                        << "Не удалось сохранить «%1»: No such file or directory.";
        QTest::newRow("no printer") << true << ModelAction::printReport << "r.pdf"
                                    << "Принтер не найден: отчёт можно сохранить в PDF (Ctrl+P).";
    }
    // The user is told why, and no file is left behind.
    void refusedWithoutARunOrAPlace()
    {
        QFETCH(bool, calculated);
        QFETCH(ModelAction, action);
        QFETCH(QString, path);
        QFETCH(QString, report);
        if (action == ModelAction::printReport && !QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("this machine has a printer");
        fixture.start();
        fixture.answer = kaskad::ui::ChosenFile{folder.filePath(path), 0};
        fixture.whileOpen("Form3", [&] {
            if (calculated)
                fixture.calculate("Form3", kaskad::ui::test_support::kBubbleExample);
            fixture.modelWindow("Form3").action(action)->trigger();
        });
        QCOMPARE(fixture.reports, QStringList{report.arg(folder.filePath(path))});
        QVERIFY(!QFile::exists(folder.filePath(path)));
    }
};

QTEST_MAIN(ReportTest)
#include "report_test.moc"
