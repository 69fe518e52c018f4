// What the user does with the windows: opening, reset, runs into the panes,
// error reports, the decimal separator and the message box.
#include "app/program.h"
#include "ui/error_report.h"
#include "ui/pane_text.h"
#include "worked_examples.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using kaskad::app::Program;
using kaskad::ui::ModelForm;

namespace {

QStringList fieldTexts(const std::array<const char*, 8>& texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

const QStringList kBubbleExample = fieldTexts(kaskad::test_support::kBubbleExampleFields);
const QStringList kGasLiftExample = fieldTexts(kaskad::test_support::kGasLiftExampleFields);
using kaskad::test_support::kBubbleExamplePanes;
using kaskad::test_support::kGasLiftExamplePanes;

QString expectedBlock(const char* word, const std::array<const char*, 3>& values, QChar separator)
{
    QString block;
    for (int reactor = 1; reactor <= 3; ++reactor)
        block += QString::fromUtf8(word) + QString::number(reactor) + "   " +
                 QString(values[reactor - 1]).replace('.', separator) + "\r\n";
    return block;
}

QString paneText(const ModelForm& window, int pane)
{
    return QString::fromStdString(kaskad::ui::paneText(*window.pane(pane)));
}

int lineCount(const QString& text) { return int(text.count("\r\n")); }

} // namespace

class BehaviourTest : public QObject {
    Q_OBJECT

    QLocale locale = QLocale::c();
    std::unique_ptr<Program> program;
    QStringList reports;
    QStringList captions;

    ModelForm& modelWindow(const QString& name)
    {
        if (name == "Form1")
            return program->Form1();
        return program->Form3();
    }
    QPushButton* opener(const QString& name)
    {
        return program->Form2().findChild<QPushButton*>(name == "Form1" ? "Button2" : "Button1");
    }
    QPushButton* calculateButton(const QString& name)
    {
        return modelWindow(name).findChild<QPushButton*>(name == "Form1" ? "Button2" : "Button1");
    }
    QPushButton* exitButton(const QString& name)
    {
        return modelWindow(name).findChild<QPushButton*>(name == "Form1" ? "Button3" : "Button2");
    }

    // Opens the model window from the mode window and runs `inside` in its
    // modal loop; the window's exit button closes it afterwards.
    void whileOpen(const QString& name, const std::function<void()>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            inside();
            ran = true;
            exitButton(name)->click();
        });
        opener(name)->click();
        QVERIFY2(ran, "the model window's modal loop did not run");
        QVERIFY(!modelWindow(name).isVisible());
    }

    void typeFields(ModelForm& window, const QStringList& texts)
    {
        for (int n = 1; n <= 8; ++n) {
            window.field(n)->clear();
            QTest::keyClicks(window.field(n), texts[n - 1]);
        }
    }

    static void addWindowRows()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << "Form1";
        QTest::newRow("Form3") << "Form3";
    }

private Q_SLOTS:
    void init()
    {
        locale = QLocale::c();
        reports.clear();
        captions.clear();
        kaskad::ui::setErrorPresenter([this](const kaskad::ui::ErrorReport& report) {
            reports << report.text;
            captions << report.caption;
        });
        program = std::make_unique<Program>([this] { return locale; });
        program->start();
        QVERIFY(QTest::qWaitForWindowExposed(&program->Form2()));
    }
    void cleanup()
    {
        program.reset();
        kaskad::ui::setErrorPresenter({});
    }

    void afterStartOnlyModeWindowIsVisible()
    {
        QVERIFY(program->Form2().isVisible());
        QVERIFY(!program->Form1().isVisible());
        QVERIFY(!program->Form3().isVisible());
        QCOMPARE(QApplication::focusWidget(), program->Form2().findChild<QWidget*>("Button1"));
    }

    // Qt's own buttons and dialogs speak the locale's language beside the
    // windows' Russian.
    void qtOwnTextsInTheLocalesLanguage()
    {
        const std::unique_ptr<QTranslator> translator(
            kaskad::app::installQtTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
        QVERIFY(translator);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    }

    void formCreateZeroesGasLiftState() { QCOMPARE(program->Form1().gasLiftState().y3h.value(), 0.0f); }

    void eachOpeningResets_data() { addWindowRows(); }
    // Text left in the window at closing is gone at the next opening, but
    // for the gas-lift window's LabeledEdit7, which no reset clears.
    void eachOpeningResets()
    {
        QFETCH(QString, window);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            for (int n = 1; n <= 8; ++n)
                QTest::keyClicks(w.field(n), "keep");
            for (int n = 1; n <= 12; ++n)
                QTest::keyClicks(w.pane(n), "typed");
        });
        QCOMPARE(w.field(1)->text(), QString("keep")); // hidden, not yet cleared
        whileOpen(window, [&] {
            QVERIFY(w.isVisible());
            QVERIFY(QApplication::activeModalWidget() == &w);
            for (int n = 1; n <= 12; ++n)
                QCOMPARE(paneText(w, n), QString());
            for (int n = 1; n <= 8; ++n)
                QCOMPARE(w.field(n)->text(), n == 7 && window == "Form1" ? QString("keep") : QString());
        });
    }

    void closeBoxHidesAndReturns_data() { addWindowRows(); }
    // The title-bar close box ends the modal loop as the exit button does; the
    // texts stay in the hidden window until the next opening.
    void closeBoxHidesAndReturns()
    {
        QFETCH(QString, window);
        ModelForm& w = modelWindow(window);
        bool closed = false;
        QTimer::singleShot(0, this, [&] {
            QTest::keyClicks(w.pane(3), "left");
            closed = w.close();
        });
        opener(window)->click();
        QVERIFY(closed);
        QVERIFY(!w.isVisible());
        QVERIFY(program->Form2().isVisible());
        QCOMPARE(paneText(w, 3), QString("left"));
    }

    void resetButtonClears_data() { addWindowRows(); }
    void resetButtonClears()
    {
        QFETCH(QString, window);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            typeFields(w, kBubbleExample);
            calculateButton(window)->click();
            QVERIFY(!paneText(w, 12).isEmpty());
            w.findChild<QPushButton*>("Button4")->click();
            for (int n = 1; n <= 12; ++n)
                QCOMPARE(paneText(w, n), QString());
            for (int n = 1; n <= 8; ++n)
                QCOMPARE(w.field(n)->text(), n == 7 && window == "Form1" ? kBubbleExample[6] : QString());
        });
    }

    void focusFirstThenRestored_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("firstFocus");
        QTest::addColumn<QString>("opener");
        QTest::newRow("Form1") << "Form1"
                               << "Button2"
                               << "Button2";
        QTest::newRow("Form3") << "Form3"
                               << "Button4"
                               << "Button1";
    }
    // First opening: the layout's first control. Next opening: the control
    // that had the focus at closing. Back in the mode window: the opener.
    void focusFirstThenRestored()
    {
        QFETCH(QString, window);
        QFETCH(QString, firstFocus);
        QFETCH(QString, opener);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QCOMPARE(QApplication::focusWidget()->objectName(), firstFocus);
            w.field(5)->setFocus();
        });
        QTRY_COMPARE(QApplication::focusWidget(), program->Form2().findChild<QWidget*>(opener));
        whileOpen(window, [&] {
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.field(5)));
        });
    }

    void twoClicksAppendTwoBlocks_data() { addWindowRows(); }
    void twoClicksAppendTwoBlocks()
    {
        QFETCH(QString, window);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            typeFields(w, window == "Form1" ? kGasLiftExample : kBubbleExample);
            calculateButton(window)->click();
            const QString once = paneText(w, 11);
            QCOMPARE(lineCount(once), 3);
            calculateButton(window)->click();
            QCOMPARE(paneText(w, 11), once + once);
        });
        QVERIFY(reports.isEmpty());
    }

    void typedTextStaysInFront_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("no final line break") << "abc"
                                             << "abc";
        QTest::newRow("final line break") << "abc\n"
                                          << "abc\r\n";
        QTest::newRow("two lines") << "a\nb"
                                   << "a\r\nb";
    }
    // A line continues typed text that has no final line break; every typed
    // line break reads back as "\r\n".
    void typedTextStaysInFront()
    {
        QFETCH(QString, typed);
        QFETCH(QString, readBack);
        ModelForm& w = program->Form3();
        whileOpen("Form3", [&] {
            const QStringList lines = typed.split('\n');
            for (int i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(w.pane(11), Qt::Key_Return);
                QTest::keyClicks(w.pane(11), lines[i]);
            }
            typeFields(w, kBubbleExample);
            calculateButton("Form3")->click();
            QCOMPARE(paneText(w, 11), readBack + "Реактор1   433\r\nРеактор2   435\r\nРеактор3   437\r\n");
        });
    }

    void emptyFieldsReportAndChangeNothing_data() { addWindowRows(); }
    void emptyFieldsReportAndChangeNothing()
    {
        QFETCH(QString, window);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            QTest::keyClicks(w.pane(4), "typed");
            calculateButton(window)->click();
            QCOMPARE(reports, QStringList{"'' is not a valid floating point value."});
            QCOMPARE(captions, QStringList{"kaskad_ui_behaviour_test"});
            QVERIFY(w.isVisible());
            for (int n = 1; n <= 12; ++n)
                QCOMPARE(paneText(w, n), n == 4 ? QString("typed") : QString());
        });
    }

    void firstBadFieldInReadingOrderIsReported_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("report");
        QTest::newRow("Form3 y10") << "Form3" << QStringList{"3", "abc", "x", "0.05", "433", "2", "3", "3600"}
                                   << "'abc' is not a valid floating point value.";
        QTest::newRow("Form3 d") << "Form3" << QStringList{"3", "3", "2.5", "0.05", "433", "2", "d?", "3600"}
                                 << "'d?' is not a valid floating point value.";
        QTest::newRow("Form1 ts, db not read")
            << "Form1" << QStringList{"3", "3", "2", "0.05", "450", "2", "db?", " 1,5"}
            << "' 1,5' is not a valid floating point value.";
    }
    void firstBadFieldInReadingOrderIsReported()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, fields);
        QFETCH(QString, report);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            typeFields(w, fields);
            calculateButton(window)->click();
            QCOMPARE(reports, QStringList{report});
            for (int n = 1; n <= 8; ++n)
                QCOMPARE(w.field(n)->text(), fields[n - 1]);
            for (int n = 1; n <= 12; ++n)
                QCOMPARE(paneText(w, n), QString());
        });
    }

    void faultInReactor25KeepsReactors1To24_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("report");
        QTest::newRow("Form1") << "Form1"
                               << "реактор"
                               << "Floating point division by zero.";
        QTest::newRow("Form3") << "Form3"
                               << "Реактор"
                               << "Invalid floating point operation.";
    }
    // The window stays open and is not reset when the report has been shown.
    void faultInReactor25KeepsReactors1To24()
    {
        QFETCH(QString, window);
        QFETCH(QString, word);
        QFETCH(QString, report);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            QStringList fields = window == "Form1" ? kGasLiftExample : kBubbleExample;
            fields[0] = "30";
            typeFields(w, fields);
            calculateButton(window)->click();
            QCOMPARE(reports, QStringList{report});
            QVERIFY(w.isVisible());
            for (int n = 1; n <= 12; ++n) {
                const QString text = paneText(w, n);
                QCOMPARE(lineCount(text), 24);
                QVERIFY(text.startsWith(word + "1   "));
                QVERIFY(text.section("\r\n", 23, 23).startsWith(word + "24   "));
            }
            QCOMPARE(w.field(1)->text(), QString("30"));
        });
    }

    void workedExamples_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("localeName");
        for (const char* window : {"Form1", "Form3"})
            for (const char* localeName : {"C", "ru_RU", "de_DE"})
                QTest::addRow("%s %s", window, localeName) << window << localeName;
    }
    // The fields are typed with the locale's separator and every pane reads
    // back digit for digit with it.
    void workedExamples()
    {
        QFETCH(QString, window);
        QFETCH(QString, localeName);
        locale = QLocale(localeName);
        program->regionalSettings().reread();
        const QChar separator = locale.decimalPoint().at(0);
        const bool gasLift = window == "Form1";
        QStringList fields = gasLift ? kGasLiftExample : kBubbleExample;
        fields.replaceInStrings(".", separator);
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            typeFields(w, fields);
            calculateButton(window)->click();
            QCOMPARE(reports, QStringList());
            for (int n = 1; n <= 12; ++n) {
                const auto& values = gasLift ? kGasLiftExamplePanes[n - 1] : kBubbleExamplePanes[n - 1];
                QCOMPARE(paneText(w, n), expectedBlock(gasLift ? "реактор" : "Реактор", values, separator));
            }
        });
    }

    // The separator is read again when the application hears of a locale
    // change, and not before.
    void separatorFollowsLocaleChange()
    {
        ModelForm& w = program->Form3();
        locale = QLocale(QLocale::Russian, QLocale::Russia);
        whileOpen("Form3", [&] {
            typeFields(w, kBubbleExample);
            calculateButton("Form3")->click();
            QVERIFY(paneText(w, 12).startsWith("Реактор1   5.75\r\n"));
            QEvent localeChange(QEvent::LocaleChange);
            QCoreApplication::sendEvent(qApp, &localeChange);
            w.findChild<QPushButton*>("Button4")->click();
            typeFields(w, QStringList(kBubbleExample).replaceInStrings(".", ","));
            calculateButton("Form3")->click();
            QCOMPARE(reports, QStringList());
            QVERIFY(paneText(w, 12).startsWith("Реактор1   5,75\r\n"));
        });
    }

    // The real box: stop icon, one OK button, the application title as
    // caption, modal over the open model window; OK leaves the window as the
    // failed run left it.
    void messageBoxReportsError()
    {
        kaskad::ui::setErrorPresenter({});
        ModelForm& w = program->Form3();
        bool boxSeen = false;
        whileOpen("Form3", [&] {
            QMessageBox::Icon icon{};
            QString text, caption;
            QList<QAbstractButton*> buttons;
            QMessageBox::StandardButton button{};
            QTimer::singleShot(0, this, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                boxSeen = true;
                icon = box->icon();
                text = box->text();
                caption = box->windowTitle();
                buttons = box->buttons();
                button = box->standardButton(buttons.value(0));
                if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                    ok->click();
            });
            QTest::keyClicks(w.pane(1), "kept");
            calculateButton("Form3")->click();
            QVERIFY(boxSeen);
            QCOMPARE(icon, QMessageBox::Critical);
            QCOMPARE(text, QString("'' is not a valid floating point value."));
            QCOMPARE(caption, QString("kaskad_ui_behaviour_test"));
            QCOMPARE(buttons.size(), 1);
            QCOMPARE(button, QMessageBox::Ok);
            QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(&w));
            QCOMPARE(paneText(w, 1), QString("kept"));
        });
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kaskad::app::adoptApplicationTitle();
    BehaviourTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "behaviour_test.moc"
