// The design window (Ctrl+D): a search run to its end answers as kaskad-cli
// optimize and solve do with the same options, the stop ends a search early,
// and "Подставить в поля" puts an answer's texts into the model window.
#include "program_fixture.h"
#include "ui/design_dialog.h"
#include "ui/error_report.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

using kaskad::ui::DesignDialog;

namespace {

// kaskad-cli's CSV answer: per row its cells.
QList<QStringList> cliRows(const QStringList& arguments)
{
    QProcess cli;
    cli.start(KASKAD_CLI_PATH, arguments);
    cli.waitForFinished(60000);
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        rows << line.split(',');
    return rows.mid(1);
}

QString cell(const QAbstractItemModel& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

} // namespace

class DesignTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;

    // Opens the design window of the bubble-column window on `fields`, with
    // the fields numbered in `searched` searched up to the texts in `to`.
    DesignDialog& openDesign(const QStringList& fields, const QList<int>& searched, const QStringList& to)
    {
        kaskad::ui::ModelForm& form = fixture.modelWindow("Form3");
        kaskad::ui::test_support::ProgramFixture::typeFields(form, fields);
        form.showDesign();
        DesignDialog& design = *form.designDialog();
        for (qsizetype k = 0; k < searched.size(); ++k) {
            design.searched(searched[k])->setChecked(true);
            design.to(searched[k])->setText(to[k]);
        }
        return design;
    }

private Q_SLOTS:
    void cleanup() { fixture.stop(); }

    void answersAsTheCommandLine_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("comma");
        QTest::newRow("decimal point") << QLocale::c() << ".";
        QTest::newRow("decimal comma") << QLocale(QLocale::Russian, QLocale::Russia) << ",";
    }
    // The README's criterion search over three reactor counts: per N the
    // searched texts, the margin, the verdict and the limiting bound as
    // kaskad-cli prints them, N 10 the smallest meeting the criterion; the
    // answer for N 11 goes into the fields.
    void answersAsTheCommandLine()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, comma);
        fixture.start([locale] { return locale; });
        const auto typed = [&](QString text) { return text.replace('.', comma); };
        fixture.whileOpen("Form3", [&] {
            DesignDialog& design =
                openDesign({"10", typed("2.6"), typed("2.7"), typed("0.05"), "433", "2", "3", "300"}, {1, 2, 3, 4, 8},
                           {"12", typed("3.6"), typed("3.5"), typed("0.4"), "1800"});
            design.maxEvaluations()->setValue(300);
            design.calculate();
            QTRY_VERIFY_WITH_TIMEOUT(!design.running(), 60000);
            QCOMPARE(fixture.reports, QStringList());
            const QAbstractItemModel& answers = *design.answers()->model();
            const QList<QStringList> expected =
                cliRows({"optimize", "bubble",   "--N",         "10:12", "--y10",    "2.6:3.6", "--y50", "2.7:3.5",
                         "--wg",     "0.05:0.4", "--t",         "433",   "--dtr",    "2",       "--d",   "3",
                         "--ts",     "300:1800", "--max-evals", "300",   "--format", "csv"});
            QCOMPARE(answers.rowCount(), expected.size());
            for (int row = 0; row < answers.rowCount(); ++row) {
                const QStringList& cli = expected[row];
                const QStringList shown{cli[0],
                                        typed(cli[1]),
                                        typed(cli[2]),
                                        typed(cli[3]),
                                        typed(cli[7]),
                                        typed(cli[8]),
                                        cli[10] == "true" ? "выполнен" : "не выполнен",
                                        cli[12]};
                for (int column = 0; column < shown.size(); ++column)
                    QCOMPARE(cell(answers, row, column), shown[column]);
            }
            QCOMPARE(answers.data(answers.index(0, 0), Qt::ToolTipRole).toString(),
                     QString("Наименьшее число реакторов, при котором выполняется критерий"));
            QVERIFY(design.status()->text().contains("выполняется критерий: 10."));
            design.answers()->selectRow(1);
            design.fillButton()->click();
            kaskad::ui::ModelForm& form = fixture.modelWindow("Form3");
            for (int n = 1; n <= 8; ++n)
                QCOMPARE(form.field(n)->text(), typed(expected[1][n - 1]));
            QCOMPARE(form.runs().size(), std::size_t(0));
        });
    }

    // A tolerance on the temperature: the nominal margin beside the worst one
    // over the box, as kaskad-cli optimize --tolerance gives them.
    void robustAnswersAsTheCommandLine()
    {
        fixture.start();
        fixture.whileOpen("Form3", [&] {
            DesignDialog& design = openDesign({"3", "3", "2.5", "0.05", "433", "2", "3", "3000"}, {8}, {"8000"});
            design.tolerance(5)->setText("±1");
            design.maxEvaluations()->setValue(300);
            design.calculate();
            QTRY_VERIFY_WITH_TIMEOUT(!design.running(), 60000);
            QCOMPARE(fixture.reports, QStringList());
            const QList<QStringList> expected =
                cliRows({"optimize", "bubble",    "--N",         "3",    "--y10",       "3",   "--y50",    "2.5",
                         "--wg",     "0.05",      "--t",         "433",  "--dtr",       "2",   "--d",      "3",
                         "--ts",     "3000:8000", "--tolerance", "t=±1", "--max-evals", "300", "--format", "csv"});
            const QAbstractItemModel& answers = *design.answers()->model();
            QCOMPARE(answers.headerData(2, Qt::Horizontal).toString(), QString("номинальный запас"));
            QCOMPARE(answers.headerData(3, Qt::Horizontal).toString(), QString("запас при допусках"));
            QCOMPARE(answers.rowCount(), int(expected.size()));
            for (int row = 0; row < answers.rowCount(); ++row)
                QCOMPARE((QStringList{cell(answers, row, 1), cell(answers, row, 2), cell(answers, row, 3)}),
                         (QStringList{expected[row][7], expected[row][10], expected[row][11]}));
        });
    }

    void solvesAsTheCommandLine_data()
    {
        QTest::addColumn<int>("reactor");
        QTest::addColumn<QString>("target");
        QTest::newRow("the outlet") << 0 << "2.21";
        QTest::newRow("reactor 2") << 2 << "1.9";
    }
    // The solver's roots as kaskad-cli solve prints them.
    void solvesAsTheCommandLine()
    {
        QFETCH(int, reactor);
        QFETCH(QString, target);
        fixture.start();
        fixture.whileOpen("Form3", [&] {
            DesignDialog& design = openDesign({"3", "3", "2.5", "0.05", "433", "2", "3", "3000"}, {8}, {"8000"});
            design.goal()->setCurrentIndex(DesignDialog::targetValue);
            design.quantity()->setCurrentText("y2");
            design.target()->setText(target);
            design.reactor()->setValue(reactor);
            design.calculate();
            QTRY_VERIFY_WITH_TIMEOUT(!design.running(), 60000);
            const QList<QStringList> expected = cliRows({"solve",     "bubble",
                                                         "--N",       "3",
                                                         "--y10",     "3",
                                                         "--y50",     "2.5",
                                                         "--wg",      "0.05",
                                                         "--t",       "433",
                                                         "--dtr",     "2",
                                                         "--d",       "3",
                                                         "--ts",      "3000:8000",
                                                         "--target",  "y2=" + target,
                                                         "--reactor", QString::number(reactor == 0 ? 3 : reactor),
                                                         "--format",  "csv"});
            const QAbstractItemModel& answers = *design.answers()->model();
            QCOMPARE(answers.headerData(0, Qt::Horizontal).toString(), QString("ts"));
            QVERIFY(!expected.isEmpty());
            QCOMPARE(answers.rowCount(), int(expected.size()));
            for (int row = 0; row < answers.rowCount(); ++row) {
                QCOMPARE(cell(answers, row, 0), expected[row][7]);
                QCOMPARE(cell(answers, row, 1), expected[row][8]);
            }
        });
        QCOMPARE(fixture.reports, QStringList());
    }

    // The window's own messages name the field by its caption, in its words;
    // in solver mode the optimiser's constraints are disabled; a bound not
    // understood is marked as it is typed.
    void messagesInTheWindowsWords_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("searched");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("goal");
        QTest::addColumn<QString>("bounds");
        QTest::addColumn<QString>("report");
        const QStringList example = {"3", "3", "2.5", "0.05", "433", "2", "3", "3000"};
        QTest::newRow("interval upside down")
            << example << 8 << "1000" << int(DesignDialog::largestMargin) << ""
            << "«среднее время пребывания жидкости в реакторе ts»: начало интервала «от» должно быть меньше его конца "
               "«до».";
        QTest::newRow("not a number") << QStringList{"3", "3", "2.5", "0.05x", "433", "2", "3", "3000"} << 8 << "8000"
                                      << int(DesignDialog::largestMargin) << ""
                                      << "«приведённая скорость воздуха wg»: «0.05x» — не число.";
        QTest::newRow("too many reactors") << QStringList{"3", "3", "2.5", "0.05", "433", "2", "3", "3000"} << 1
                                           << "2000" << int(DesignDialog::largestMargin) << ""
                                           << "«число реакторов N»: «до»: число реакторов — от 1 до 1000, а не «2000».";
        QTest::newRow("bound not understood")
            << example << 8 << "8000" << int(DesignDialog::largestMargin) << "y1<=0.02\ny9<=1"
            << "Граница «y9<=1» в строке 2 не понята: пишите величину, знак >=, >, <= или < и число, например "
               "y1<=0.02; "
               "с приставкой all: — в каждом реакторе. Величины: y1..y6, GB, WB, ALFA, ALPE, t, P.";
        QTest::newRow("solver without a searched field")
            << example << 0 << "" << int(DesignDialog::targetValue) << "y9<=1"
            << "Заданное значение ищется по одному полю: отметьте «Искать» ровно у одного поля.";
    }
    void messagesInTheWindowsWords()
    {
        QFETCH(QStringList, fields);
        QFETCH(int, searched);
        QFETCH(QString, to);
        QFETCH(int, goal);
        QFETCH(QString, bounds);
        QFETCH(QString, report);
        fixture.start();
        fixture.whileOpen("Form3", [&] {
            DesignDialog& design = openDesign(fields, searched > 0 ? QList<int>{searched} : QList<int>{},
                                              searched > 0 ? QStringList{to} : QStringList{});
            design.goal()->setCurrentIndex(goal);
            design.target()->setText("2.2");
            design.bounds()->setPlainText(bounds);
            const bool optimizing = goal != DesignDialog::targetValue;
            QCOMPARE(design.bounds()->isEnabled(), optimizing);
            QCOMPARE(design.meetCriterion()->isEnabled(), optimizing);
            QCOMPARE(design.bounds()->toolTip().startsWith("Граница «y9<=1»"), bounds.contains("y9"));
            kaskad::ui::guarded([&] { design.calculate(); });
            QVERIFY(!design.running());
        });
        QCOMPARE(fixture.reports, QStringList{report});
    }

    // "Остановить" ends a long search early with the best found so far, and
    // the window can calculate again; closing the window stops it too, and
    // Escape closes it.
    void stopEndsASearchEarly()
    {
        fixture.start();
        fixture.whileOpen("Form3", [&] {
            DesignDialog& design = openDesign({"1", "2.6", "2.7", "0.05", "420", "1", "3", "300"},
                                              {1, 2, 3, 4, 5, 6, 8}, {"40", "3.6", "3.5", "0.4", "450", "3", "1800"});
            design.maxEvaluations()->setValue(10'000'000);
            design.calculate();
            QVERIFY(design.running());
            QVERIFY(!design.calculateButton()->isEnabled());
            design.stopButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(!design.running(), 60000);
            QVERIFY2(design.status()->text().contains("подбор остановлен"), qPrintable(design.status()->text()));
            QCOMPARE(design.answers()->model()->rowCount(), 40);
            QVERIFY(design.calculateButton()->isEnabled());
            design.calculate();
            design.close();
            QTRY_VERIFY_WITH_TIMEOUT(!design.running(), 60000);
            QVERIFY(design.status()->text().contains("подбор остановлен"));
            fixture.modelWindow("Form3").showDesign();
            QVERIFY(QTest::qWaitForWindowExposed(&design));
            QTest::keyClick(&design, Qt::Key_Escape);
            QVERIFY(!design.isVisible());
        });
        QCOMPARE(fixture.reports, QStringList());
    }
};

QTEST_MAIN(DesignTest)
#include "design_test.moc"
