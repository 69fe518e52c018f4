// The model windows' results: the window's actions by shortcut and context menu,
// the results table window over the kept runs, what it copies and saves.
#include "app/program.h"
#include "formats/table_text.h"
#include "ui/chart_window.h"
#include "ui/error_report.h"
#include "ui/pane_text.h"
#include "ui/result_views.h"
#include "ui/results_table_model.h"
#include "ui/results_window.h"
#include "ui/study_window.h"
#include "ui/uncertainty_window.h"
#include "ui/user_files.h"
#include "program_fixture.h"
#include "worked_examples.h"

#include <QAction>

#include <array>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using kaskad::ModelKind;
using kaskad::app::Program;
using kaskad::ui::ModelAction;
using kaskad::ui::ModelForm;
using kaskad::ui::ResultsWindow;

namespace {

using kaskad::ui::test_support::kBubbleExample;
using kaskad::ui::test_support::kGasLiftExample;

QStringList paneValues(const ModelForm& window, int pane)
{
    QStringList values;
    const QString text = QString::fromStdString(kaskad::ui::paneText(*window.pane(pane)));
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts))
        values << line.section("   ", 1);
    return values;
}

QString cellText(const QAbstractItemModel& model, int row, int column, int role = Qt::DisplayRole)
{
    return model.data(model.index(row, column), role).toString();
}

} // namespace

class ResultsTest : public QObject {
    Q_OBJECT

    QLocale locale = QLocale::c();
    kaskad::ui::test_support::ProgramFixture fixture;
    std::unique_ptr<Program>& program = fixture.program;
    QStringList& reports = fixture.reports;
    QList<kaskad::ui::FileRequest>& requests = fixture.requests;
    std::optional<kaskad::ui::ChosenFile>& answer = fixture.answer;

    ModelForm& modelWindow(const QString& name) { return fixture.modelWindow(name); }
    QPushButton* button(const QString& window, const char* form1Name, const char* form3Name)
    {
        return fixture.button(window, form1Name, form3Name);
    }
    QPushButton* calculateButton(const QString& window) { return fixture.calculateButton(window); }
    void whileOpen(const QString& name, const std::function<void()>& inside) { fixture.whileOpen(name, inside); }
    void typeFields(ModelForm& window, const QStringList& texts) { fixture.typeFields(window, texts); }
    void calculate(const QString& window, const QStringList& texts) { fixture.calculate(window, texts); }

    ResultsWindow* openTable(const QString& window)
    {
        ModelForm& w = modelWindow(window);
        QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
        ResultsWindow* table = w.resultViews().tableWindow();
        if (table)
            (void)QTest::qWaitForWindowExposed(table);
        return table;
    }

    static void addWindowRows()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << "Form1";
        QTest::newRow("Form3") << "Form3";
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        locale = QLocale::c();
        fixture.start([this] { return locale; });
    }
    void cleanup() { fixture.stop(); }

    // Return in any field calculates, as the window's calculate button does;
    // Escape closes the table and the chart.
    void returnCalculatesEscapeCloses_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::newRow("gas-lift, first field") << "Form1"
                                               << "LabeledEdit1";
        QTest::newRow("bubble column, last field") << "Form3"
                                                   << "LabeledEdit8";
    }
    void returnCalculatesEscapeCloses()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            typeFields(w, window == "Form1" ? kGasLiftExample : kBubbleExample);
            QTest::keyClick(w.findChild<QWidget*>(field), Qt::Key_Return);
            QCOMPARE(w.runs().size(), std::size_t(1));
            QVERIFY(!w.pane(1)->toPlainText().isEmpty());
            ResultsWindow* table = openTable(window);
            QTest::keyClick(w.findChild<QWidget*>(field), Qt::Key_G, Qt::ControlModifier);
            const std::array<QWidget*, 2> opened_windows = {table, w.resultViews().chartWindow()};
            for (QWidget* opened : opened_windows) {
                QVERIFY(opened->isVisible());
                QApplication::setActiveWindow(opened);
                QTest::keyClick(opened, Qt::Key_Escape);
                QVERIFY(!opened->isVisible());
            }
        });
    }

    // An open chart follows each new run, unless a run is chosen in the
    // table; it opens within the screen, however small.
    void chartFollowsNewRunsWithinTheScreen()
    {
        ModelForm& w = modelWindow("Form3");
        whileOpen("Form3", [&] {
            calculate("Form3", kBubbleExample);
            QTest::keyClick(&w, Qt::Key_G, Qt::ControlModifier);
            kaskad::ui::ChartWindow* chart = w.resultViews().chartWindow();
            QVERIFY(w.screen()->availableGeometry().contains(chart->frameGeometry()));
            calculate("Form3", kBubbleExample);
            QVERIFY2(chart->windowTitle().endsWith("расчёт 2"), qPrintable(chart->windowTitle()));
            ResultsWindow* table = openTable("Form3");
            table->view()->setCurrentIndex(table->view()->model()->index(0, 0));
            calculate("Form3", kBubbleExample);
            QVERIFY2(chart->windowTitle().endsWith("расчёт 1"), qPrintable(chart->windowTitle()));
        });
    }

    void shortcutsWhicheverControlHasFocus_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("action");
        struct Key {
            const char* name;
            int key;
            ModelAction action;
        };
        const Key keys[] = {
            {"Ctrl+T", Qt::Key_T, ModelAction::resultsTable}, {"Ctrl+G", Qt::Key_G, ModelAction::profileChart},
            {"Ctrl+S", Qt::Key_S, ModelAction::saveInputSet}, {"Ctrl+O", Qt::Key_O, ModelAction::openInputSet},
            {"Ctrl+P", Qt::Key_P, ModelAction::report},       {"Ctrl+R", Qt::Key_R, ModelAction::study},
            {"Ctrl+U", Qt::Key_U, ModelAction::uncertainty}};
        for (const char* window : {"Form1", "Form3"})
            for (const char* focus : {"LabeledEdit1", "LabeledEdit7", "Text1", "Text12", "Button4"})
                for (const Key& key : keys)
                    QTest::addRow("%s %s %s", window, focus, key.name) << window << focus << key.key << int(key.action);
    }
    // Fields and panes edit text, yet leave these keys to the window.
    void shortcutsWhicheverControlHasFocus()
    {
        QFETCH(QString, window);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, action);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            calculate(window, window == "Form1" ? kGasLiftExample : kBubbleExample);
            QSignalSpy triggered(w.action(ModelAction(action)), &QAction::triggered);
            auto* control = w.findChild<QWidget*>(focus);
            control->setFocus();
            QCOMPARE(QApplication::focusWidget(), control);
            QTest::keyClick(control, Qt::Key(key), Qt::ControlModifier);
            QCOMPARE(triggered.count(), 1);
            if (ResultsWindow* table = w.resultViews().tableWindow())
                table->close();
            if (QWidget* study = w.studyWindow())
                study->close();
            if (QWidget* uncertainty = w.uncertaintyWindow())
                uncertainty->close();
        });
        QCOMPARE(reports, QStringList());
    }

    void actionTextsAndKeys()
    {
        const std::pair<const char*, const char*> expected[] = {{"Таблица результатов", "Ctrl+T"},
                                                                {"Профиль каскада", "Ctrl+G"},
                                                                {"Сохранить исходные данные…", "Ctrl+S"},
                                                                {"Открыть исходные данные…", "Ctrl+O"},
                                                                {"Отчёт…", "Ctrl+P"},
                                                                {"Печать…", "Ctrl+Shift+P"},
                                                                {"Подбор параметров…", "Ctrl+D"},
                                                                {"Исследование параметров…", "Ctrl+R"},
                                                                {"Допуски и надёжность…", "Ctrl+U"}};
        for (ModelForm* w : {static_cast<ModelForm*>(&program->Form1()), static_cast<ModelForm*>(&program->Form3())})
            for (int a = 0; a < int(kaskad::ui::kModelActionCount); ++a) {
                QAction* action = w->action(ModelAction(a));
                QCOMPARE(action->text(), QString::fromUtf8(expected[a].first));
                QCOMPARE(action->shortcut().toString(), QString(expected[a].second));
                QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
                QVERIFY(w->actions().contains(action));
            }
    }

    void paneMenuEndsWithTheActions_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("pane");
        for (const char* window : {"Form1", "Form3"})
            for (int n = 1; n <= 12; ++n)
                QTest::addRow("%s Text%d", window, n) << window << QString("Text%1").arg(n);
    }
    // The pane's own edit actions first, then a separator and the window's actions.
    void paneMenuEndsWithTheActions()
    {
        QFETCH(QString, window);
        QFETCH(QString, pane);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            auto* text = w.findChild<QPlainTextEdit*>(pane);
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    text->viewport()->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(text->viewport(), &event);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            const QList<QAction*> items = menu->actions();
            const int count = int(kaskad::ui::kModelActionCount);
            QVERIFY(items.size() > count + 1);
            QStringList edits;
            for (QAction* item : items.mid(0, items.size() - count - 1))
                edits << item->text();
            QVERIFY2(edits.join('|').contains("Copy"), qPrintable(edits.join('|')));
            QVERIFY2(edits.join('|').contains("Paste"), qPrintable(edits.join('|')));
            QVERIFY(items[items.size() - count - 1]->isSeparator());
            for (int a = 0; a < count; ++a)
                QCOMPARE(items[items.size() - count + a], w.action(ModelAction(a)));
            menu->close();
        });
    }

    void backgroundMenuHoldsTheActions_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("under");
        for (const char* window : {"Form1", "Form3"})
            for (const char* under : {"Client", "Label1", "Label8", "LabeledEdit1.EditLabel"})
                QTest::addRow("%s %s", window, under) << window << under;
    }
    // The background and the labels on it; a right click on a label is the
    // background's.
    void backgroundMenuHoldsTheActions()
    {
        QFETCH(QString, window);
        QFETCH(QString, under);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            auto* target = w.findChild<QWidget*>(under);
            QVERIFY(target);
            const QPoint at = under == "Client" ? QPoint(1000, 150) : QPoint(2, 2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
            QApplication::sendEvent(target, &event);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->objectName(), QString("BackgroundMenu"));
            QList<QAction*> expected;
            for (int a = 0; a < int(kaskad::ui::kModelActionCount); ++a)
                expected << w.action(ModelAction(a));
            QCOMPARE(menu->actions(), expected);
            menu->actions()[0]->trigger();
            menu->close();
            QVERIFY(w.resultViews().tableWindow() && w.resultViews().tableWindow()->isVisible());
        });
    }

    void tableCaptionAndColumns_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Form1") << "Form1"
                               << "Результаты — Тевир Газлифтовый";
        QTest::newRow("Form3") << "Form3"
                               << "Результаты — Тевир Барботажный";
    }
    void tableCaptionAndColumns()
    {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        whileOpen(window, [&] {
            ResultsWindow* table = openTable(window);
            QVERIFY(table);
            QCOMPARE(table->windowTitle(), caption);
            QVERIFY(table->isActiveWindow());
            QStringList columns;
            const QAbstractItemModel& model = *table->view()->model();
            for (int c = 0; c < model.columnCount(); ++c)
                columns << model.headerData(c, Qt::Horizontal).toString();
            QCOMPARE(columns.join(' '), QString("Расчёт N y10 y50 wg t1 dtr %1 ts Реактор y1 y2 y3 y4 y5 y6 GB WB ALFA "
                                                "ALPE t P Вид ошибки Сообщение об ошибке")
                                            .arg(window == "Form1" ? "db" : "d"));
            QCOMPARE(model.rowCount(), 0);
            QCOMPARE(table->saveButton()->text(), QString("Сохранить…"));
        });
    }

    void cellsAreThePanesDigits_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("localeName");
        for (const char* window : {"Form1", "Form3"})
            for (const char* localeName : {"C", "ru_RU"})
                QTest::addRow("%s %s", window, localeName) << window << localeName;
    }
    // Two runs, their rows numbered 1 and 2, every cell the digits its pane
    // line shows, with the window's separator.
    void cellsAreThePanesDigits()
    {
        QFETCH(QString, window);
        QFETCH(QString, localeName);
        locale = QLocale(localeName);
        program->regionalSettings().reread();
        const QChar separator = locale.decimalPoint().at(0);
        QStringList fields = window == "Form1" ? kGasLiftExample : kBubbleExample;
        fields.replaceInStrings(".", separator);
        fields[0] = "24";
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            calculate(window, fields);
            ResultsWindow* table = openTable(window);
            calculate(window, fields);
            const QAbstractItemModel& model = *table->view()->model();
            QCOMPARE(model.rowCount(), 48);
            for (int pane = 1; pane <= 12; ++pane) {
                const QStringList values = paneValues(w, pane);
                QCOMPARE(values.size(), 48);
                for (int row = 0; row < 48; ++row)
                    QCOMPARE(cellText(model, row, kaskad::formats::columnOfPane(kaskad::Pane(pane))), values[row]);
            }
            for (int row = 0; row < 48; ++row) {
                QCOMPARE(cellText(model, row, 0), QString::number(row / 24 + 1));
                QCOMPARE(cellText(model, row, kaskad::formats::kReactorColumn), QString::number(row % 24 + 1));
                QCOMPARE(cellText(model, row, kaskad::formats::kFirstFieldColumn + 2), fields[2]);
            }
        });
        QCOMPARE(reports, QStringList());
    }

    void resetAndClosingKeepTheRuns_data() { addWindowRows(); }
    // The reset empties panes and fields as ever, and closing hides the
    // table; the runs stay in the table with their numbers, which go on.
    void resetAndClosingKeepTheRuns()
    {
        QFETCH(QString, window);
        const QStringList& example = window == "Form1" ? kGasLiftExample : kBubbleExample;
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            calculate(window, example);
            ResultsWindow* table = openTable(window);
            w.findChild<QPushButton*>("Button4")->click();
            QVERIFY(w.pane(1)->toPlainText().isEmpty());
            QVERIFY(w.field(1)->text().isEmpty());
            QCOMPARE(table->view()->model()->rowCount(), 3);
            calculate(window, example);
            QCOMPARE(table->view()->model()->rowCount(), 6);
            QCOMPARE(cellText(*table->view()->model(), 5, 0), QString("2"));
        });
        QVERIFY(!w.resultViews().tableWindow()->isVisible());
        whileOpen(window, [&] {
            QVERIFY(w.pane(1)->toPlainText().isEmpty());
            calculate(window, example);
            ResultsWindow* table = openTable(window);
            QCOMPARE(table->view()->model()->rowCount(), 9);
            QCOMPARE(cellText(*table->view()->model(), 8, 0), QString("3"));
            QCOMPARE(w.runs().size(), std::size_t(3));
        });
    }

    void ctrlTRaisesTheOpenTable()
    {
        ModelForm& w = program->Form3();
        whileOpen("Form3", [&] {
            ResultsWindow* first = openTable("Form3");
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QCOMPARE(openTable("Form3"), first);
            QVERIFY(QTest::qWaitForWindowActive(first));
        });
    }

    // Rows come at the end while the table is open; the rows in view stay.
    void newRunAppendsKeepingTheScrollPosition()
    {
        QStringList fields = kBubbleExample;
        fields[0] = "24";
        whileOpen("Form3", [&] {
            for (int run = 0; run < 3; ++run)
                calculate("Form3", fields);
            ResultsWindow* table = openTable("Form3");
            QScrollBar* bar = table->view()->verticalScrollBar();
            QVERIFY(bar->maximum() > 30);
            bar->setValue(30);
            calculate("Form3", fields);
            QCOMPARE(table->view()->model()->rowCount(), 96);
            QCOMPARE(bar->value(), 30);
            QCOMPARE(cellText(*table->view()->model(), 95, 0), QString("4"));
        });
    }

    void failedRunKeepsItsReactors_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("lastReactor");
        QTest::addColumn<QString>("error");
        QStringList thirtyBubble = kBubbleExample, thirtyGasLift = kGasLiftExample;
        thirtyBubble[0] = thirtyGasLift[0] = "30";
        QTest::newRow("Form3 reactor 25") << "Form3" << thirtyBubble << 25 << "25"
                                          << "Invalid floating point operation.";
        QTest::newRow("Form1 reactor 25") << "Form1" << thirtyGasLift << 25 << "25"
                                          << "Floating point division by zero.";
        QTest::newRow("Form3 after the composition")
            << "Form3" << QStringList{"2", "3", "2.5", "-0.05", "24000", "2", "3", "3600"} << 1 << "1"
            << "Invalid floating point operation.";
        QTest::newRow("Form3 empty field") << "Form3" << QStringList{"", "", "", "", "", "", "", ""} << 1 << ""
                                           << "'' is not a valid floating point value.";
    }
    // The message box shows as before; the table keeps what the run stored,
    // and the error's text is on the failing reactor's row and under the table.
    void failedRunKeepsItsReactors()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, fields);
        QFETCH(int, rows);
        QFETCH(QString, lastReactor);
        QFETCH(QString, error);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            ResultsWindow* table = openTable(window);
            w.activateWindow();
            calculate(window, fields);
            QCOMPARE(reports, QStringList{error});
            const QAbstractItemModel& model = *table->view()->model();
            QCOMPARE(model.rowCount(), rows);
            const int last = rows - 1;
            QCOMPARE(cellText(model, last, kaskad::formats::kReactorColumn), lastReactor);
            QCOMPARE(cellText(model, last, kaskad::formats::kErrorMessageColumn), error);
            // A value outside its physical limits says so before the error.
            for (int column = 0; column < model.columnCount(); ++column) {
                const QColor background = model.data(model.index(last, column), Qt::BackgroundRole).value<QColor>();
                const QString tip = cellText(model, last, column, Qt::ToolTipRole);
                if (background == kaskad::ui::ResultsTableModel::outsidePhysicsColour())
                    QVERIFY2(tip.startsWith("Вне физических пределов: ") && tip.endsWith("\n" + error),
                             qPrintable(tip));
                else
                    QCOMPARE(tip, error);
                QVERIFY(background == kaskad::ui::ResultsTableModel::failingRowColour() ||
                        background == kaskad::ui::ResultsTableModel::outsidePhysicsColour());
            }
            if (rows > 1) {
                const int y1 = kaskad::formats::columnOfPane(kaskad::paneY1);
                QCOMPARE(cellText(model, last - 1, y1, Qt::ToolTipRole), QString());
                QVERIFY(!model.data(model.index(last - 1, y1), Qt::BackgroundRole).isValid());
            }
            QVERIFY2(table->statusLine()->text().endsWith(": " + error), qPrintable(table->statusLine()->text()));
            QCOMPARE(w.runs().size(), std::size_t(1));
            QVERIFY(!w.runs().front().ok());
        });
    }

    void outletOutsideItsBounds_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("missed");
        QTest::newRow("Form3") << "Form3"
                               << "y4 y4>=1.06";
        QTest::newRow("Form1") << "Form1"
                               << "y3 y3<=0.91, y4 y4>=1.06, y5 1.67<=y5<=2.33";
    }
    // Only the outlet's cells outside their bounds are coloured, with the
    // bound as tooltip.
    void outletOutsideItsBounds()
    {
        QFETCH(QString, window);
        QFETCH(QString, missed);
        whileOpen(window, [&] {
            calculate(window, window == "Form1" ? kGasLiftExample : kBubbleExample);
            const QAbstractItemModel& model = *openTable(window)->view()->model();
            QStringList found;
            for (int row = 0; row < model.rowCount(); ++row)
                for (int column = 0; column < model.columnCount(); ++column) {
                    const QVariant background = model.data(model.index(row, column), Qt::BackgroundRole);
                    if (!background.isValid())
                        continue;
                    QCOMPARE(row, 2);
                    QCOMPARE(background.value<QColor>(), kaskad::ui::ResultsTableModel::missedBoundColour());
                    found << model.headerData(column, Qt::Horizontal).toString() + " " +
                                 cellText(model, row, column, Qt::ToolTipRole);
                }
            QCOMPARE(found.join(", "), missed);
        });
    }

    void valuesOutsidePhysics_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("marked");
        QTest::addColumn<QString>("lastTip");
        // GB and WB go negative from reactor 17, P reaches 0 at reactor 24.
        QTest::newRow("Form3, 24 reactors")
            << "Form3"
            << "17 GB, 17 WB, 18 GB, 18 WB, 19 GB, 19 WB, 20 GB, 20 WB, 21 GB, 21 WB, 22 GB, 22 WB, 23 GB, 23 WB, "
               "24 GB, 24 WB, 24 P"
            << "Вне физических пределов: P ≤ 0 — давление не выше нуля";
        QTest::newRow("Form1, the worked example") << "Form1"
                                                   << ""
                                                   << "";
    }
    // Coloured with the limit they break as tooltip, their digits unchanged.
    void valuesOutsidePhysics()
    {
        QFETCH(QString, window);
        QFETCH(QString, marked);
        QFETCH(QString, lastTip);
        QStringList fields = window == "Form1" ? kGasLiftExample : kBubbleExample;
        if (window == "Form3")
            fields[0] = "24";
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            calculate(window, fields);
            const QAbstractItemModel& model = *openTable(window)->view()->model();
            QStringList found;
            QString tip;
            for (int row = 0; row < model.rowCount(); ++row)
                for (int column = 0; column < model.columnCount(); ++column)
                    if (model.data(model.index(row, column), Qt::BackgroundRole).value<QColor>() ==
                        kaskad::ui::ResultsTableModel::outsidePhysicsColour()) {
                        found << cellText(model, row, kaskad::formats::kReactorColumn) + " " +
                                     model.headerData(column, Qt::Horizontal).toString();
                        tip = cellText(model, row, column, Qt::ToolTipRole);
                        QCOMPARE(cellText(model, row, column),
                                 paneValues(w, kaskad::formats::paneOfColumn(column))[row]);
                    }
            QCOMPARE(found.join(", "), marked);
            QCOMPARE(tip, lastTip);
        });
    }

    void notesOnFieldsTitlesAndHeaders_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control"); // a control's name, or "header N" for a table column
        QTest::addColumn<QString>("note");
        QTest::newRow("temperature field") << "Form3"
                                           << "LabeledEdit5"
                                           << "Температура в первом реакторе t, К (кельвины).";
        QTest::newRow("its caption") << "Form3"
                                     << "LabeledEdit5.EditLabel"
                                     << "Температура в первом реакторе t, К (кельвины).";
        QTest::newRow("draught tube, never read")
            << "Form1"
            << "LabeledEdit7"
            << "Диаметр барботажной трубы db. Газлифтовый расчёт это поле не читает: диаметр трубы в модели "
               "постоянный.";
        QTest::newRow("residence time, unit left open")
            << "Form1"
            << "LabeledEdit8"
            << "Среднее время пребывания жидкости в одном реакторе ts; единица измерения моделью не задана.";
        QTest::newRow("pressure title") << "Form3"
                                        << "Label19"
                                        << "P — давление в реакторе; единица измерения моделью не задана.";
        QTest::newRow("y4 title") << "Form1"
                                  << "Label13"
                                  << "y4 — концентрация монометилового эфира терефталевой кислоты на выходе реактора, "
                                     "в тех же единицах, что входные концентрации y10 и y50.";
        QTest::newRow("temperature column") << "Form3"
                                            << "header 20"
                                            << "Температура в реакторе\nt — температура в реакторе, К (кельвины).";
        QTest::newRow("field column") << "Form3"
                                      << "header 2"
                                      << "Концентрация y1 (п-ксилол) в жидкости, входящей в первый "
                                         "реактор; единица измерения моделью не задана.";
    }
    // Tooltips only: the texts on screen stay as they are.
    void notesOnFieldsTitlesAndHeaders()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, note);
        ModelForm& w = modelWindow(window);
        if (control.startsWith("header ")) {
            whileOpen(window, [&] {
                const QAbstractItemModel& model = *openTable(window)->view()->model();
                QCOMPARE(model.headerData(control.section(' ', 1).toInt(), Qt::Horizontal, Qt::ToolTipRole).toString(),
                         note);
                for (int column = 0; column < model.columnCount(); ++column)
                    QVERIFY(!model.headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString().isEmpty());
            });
            return;
        }
        QCOMPARE(w.findChild<QWidget*>(control)->toolTip(), note);
    }

    void copyAsTabSeparatedText_data()
    {
        QTest::addColumn<QString>("localeName");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<bool>("withHeaders");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing selected, with headers")
            << "ru_RU"
            << "" << true
            << "Расчёт\tN\ty10\ty50\twg\tt1\tdtr\td\tts\tРеактор\ty1\ty2\ty3\ty4\ty5\ty6\tGB\tWB\tALFA\tALPE\tt\tP\t"
               "Вид ошибки\tСообщение об ошибке\n"
               "1\t3\t3\t2,5\t0,05\t433\t2\t3\t3600\t1\t1,55393481254578\t1,35183024406433\t0,0942349955439568\t"
               "0,242103576660156\t2,25789642333984\t1,78240370750427\t0,502874255180359\t0,929070830345154\t"
               "1931,45593261719\t2095,1572265625\t433\t5,75\t\t\n"
               "1\t3\t3\t2,5\t0,05\t433\t2\t3\t3600\t2\t0,804904460906982\t1,93902194499969\t0,256073623895645\t"
               "0,371371030807495\t2,1286289691925\t1,13437139987946\t0,479449838399887\t0,439084321260452\t"
               "1929,50451660156\t2093,2421875\t435\t5,5\t\t\n"
               "1\t3\t3\t2,5\t0,05\t433\t2\t3\t3600\t3\t0,416923016309738\t2,17238235473633\t0,410694628953934\t"
               "0,468704462051392\t2,03129553794861\t0,896009504795074\t0,455258160829544\t0,213013723492622\t"
               "1927,56396484375\t2091,3359375\t437\t5,25\t\t\n";
        QTest::newRow("a block") << "C"
                                 << "1,10-2,11" << false
                                 << "0.804904460906982\t1.93902194499969\n0.416923016309738\t2.17238235473633\n";
        QTest::newRow("a block, with headers") << "C"
                                               << "1,10-2,11" << true
                                               << "y1\ty2\n0.804904460906982\t1.93902194499969\n"
                                                  "0.416923016309738\t2.17238235473633\n";
        QTest::newRow("one cell: its value alone") << "C"
                                                   << "1,10-1,10" << false << "0.804904460906982\n";
        QTest::newRow("two cells apart") << "C"
                                         << "0,9-0,9 2,21-2,21" << true << "Реактор\tP\n1\t\n\t5.25\n";
    }
    // Ctrl+C with the focus in the table copies the cells; Ctrl+Shift+C
    // puts the columns' names first.
    void copyAsTabSeparatedText()
    {
        QFETCH(QString, localeName);
        QFETCH(QString, selection);
        QFETCH(bool, withHeaders);
        QFETCH(QString, expected);
        locale = QLocale(localeName);
        program->regionalSettings().reread();
        whileOpen("Form3", [&] {
            calculate("Form3", QStringList(kBubbleExample).replaceInStrings(".", locale.decimalPoint()));
            ResultsWindow* table = openTable("Form3");
            QTableView* view = table->view();
            for (const QString& block : selection.split(' ', Qt::SkipEmptyParts)) {
                const QStringList corners = block.split('-');
                const QModelIndex from =
                    view->model()->index(corners[0].section(',', 0, 0).toInt(), corners[0].section(',', 1, 1).toInt());
                const QModelIndex to =
                    view->model()->index(corners[1].section(',', 0, 0).toInt(), corners[1].section(',', 1, 1).toInt());
                view->selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::Select);
            }
            view->setFocus();
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(view, Qt::Key_C,
                            withHeaders ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        });
    }

    void ctrlASelectsAll()
    {
        whileOpen("Form3", [&] {
            calculate("Form3", kBubbleExample);
            ResultsWindow* table = openTable("Form3");
            table->view()->setFocus();
            QTest::keyClick(table->view(), Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(table->view()->selectionModel()->selectedIndexes().size(), 3 * 24);
        });
    }

    void saveResults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("CSV typed") << "r.csv" << 0 << "r.csv"
                                   << QByteArray("Расчёт,N,y10,y50,wg,t1,dtr,d,ts,Реактор,y1,y2,y3,y4,y5,y6,GB,WB,ALFA,"
                                                 "ALPE,t,P,Вид ошибки,Сообщение об ошибке\r\n"
                                                 "1,3,3,2.5,0.05,433,2,3,3600,1,1.55393481254578,");
        QTest::newRow("CSV by type") << "r" << 0 << "r.csv" << QByteArray("Расчёт,N,");
        QTest::newRow("XLSX by type") << "r" << 1 << "r.xlsx" << QByteArray("PK\x03\x04");
        QTest::newRow("XLSX typed, CSV shown") << "r.xlsx" << 0 << "r.xlsx" << QByteArray("PK\x03\x04");
    }
    // The button and Ctrl+S in the table window; the file type chosen in the
    // dialog gives the format and the suffix of a name typed without one.
    void saveResults()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QString, saved);
        QFETCH(QByteArray, start);
        QTemporaryDir folder;
        whileOpen("Form3", [&] {
            calculate("Form3", kBubbleExample);
            ResultsWindow* table = openTable("Form3");
            answer = kaskad::ui::ChosenFile{folder.filePath(name), std::size_t(type)};
            table->saveButton()->click();
            QVERIFY(QFile::exists(folder.filePath(saved)));
            QVERIFY(QFile::remove(folder.filePath(saved)));
            QTest::keyClick(table->view(), Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(requests.size(), 2);
            QCOMPARE(requests[0].types.size(), std::size_t(2));
            QFile file(folder.filePath(saved));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(bytes.startsWith(start), bytes.left(80).constData());
            if (type == 0 && saved.endsWith(".csv"))
                QCOMPARE(bytes.count("\r\n"), 4);
        });
        QCOMPARE(reports, QStringList());
    }

    // The report names the file and the reason; no file appears and the
    // table is as it was.
    void unwritableResultsFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("missing/r.csv");
        whileOpen("Form3", [&] {
            calculate("Form3", kBubbleExample);
            ResultsWindow* table = openTable("Form3");
            answer = kaskad::ui::ChosenFile{path, 0};
            table->saveButton()->click();
            QCOMPARE(reports.size(), 1);
            QVERIFY2(reports[0].startsWith("Не удалось сохранить «" + path + "»: "), qPrintable(reports[0]));
            QVERIFY(reports[0].size() > ("Не удалось сохранить «" + path + "»: .").size());
            QVERIFY(!QFileInfo::exists(path));
            QCOMPARE(table->view()->model()->rowCount(), 3);
        });
    }

    void cancelledSaveWritesNothing()
    {
        QTemporaryDir folder;
        whileOpen("Form3", [&] {
            ResultsWindow* table = openTable("Form3");
            table->saveButton()->click();
            QCOMPARE(requests.size(), 1);
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
        });
        QCOMPARE(reports, QStringList());
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kaskad::app::adoptApplicationTitle();
    ResultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "results_test.moc"
