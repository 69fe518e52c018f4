// Faults of the desktop program that were mended on purpose, each test named
// for the behaviour it pins: pasting without text into a pane and markup in
// the error box.
#include "app/Program.h"
#include "ui/ErrorReport.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using kaskad::app::Program;
using kaskad::ui::ModelForm;

namespace {

QMimeData* clipboardData(const QString& kind)
{
    auto* data = new QMimeData;
    if (kind == "image") {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        data->setImageData(image);
    } else if (kind == "text") {
        data->setText("pasted");
    }
    return data;
}

} // namespace

class MendedFaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> program;

    ModelForm& modelWindow(const QString& name)
    {
        if (name == "Form1") return program->Form1();
        return program->Form3();
    }

    // Opens the model window from the mode window, runs `inside` in its modal
    // loop, and closes it with its exit button.
    void whileOpen(const QString& name, const std::function<void()>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            inside();
            ran = true;
            modelWindow(name).findChild<QPushButton*>(name == "Form1" ? "Button3" : "Button2")->click();
        });
        program->Form2().findChild<QPushButton*>(name == "Form1" ? "Button2" : "Button1")->click();
        QVERIFY2(ran, "the model window's modal loop did not run");
    }

private Q_SLOTS:
    void init()
    {
        program = std::make_unique<Program>([] { return QLocale::c(); });
        program->start();
        QVERIFY(QTest::qWaitForWindowExposed(&program->Form2()));
    }
    void cleanup()
    {
        program.reset();
        kaskad::ui::setErrorPresenter({});
        QApplication::clipboard()->clear();
    }

    void pasteWithoutTextInsertsNothing_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("expected");
        const QKeySequence ctrlV(Qt::ControlModifier | Qt::Key_V);
        const QKeySequence shiftInsert(Qt::ShiftModifier | Qt::Key_Insert);
        QTest::newRow("nothing on the clipboard, Ctrl+V") << "empty" << ctrlV << "kept";
        QTest::newRow("nothing on the clipboard, Shift+Insert") << "empty" << shiftInsert << "kept";
        QTest::newRow("image only, Ctrl+V") << "image" << ctrlV << "kept";
        QTest::newRow("image only, Shift+Insert") << "image" << shiftInsert << "kept";
        QTest::newRow("text, Ctrl+V") << "text" << ctrlV << "keptpasted";
        QTest::newRow("text, Shift+Insert") << "text" << shiftInsert << "keptpasted";
    }
    // Mended: with no text on the clipboard, pasting into a pane ended the
    // program with SIGSEGV inside Qt. Now it inserts nothing; text pastes
    // as before. (The middle click pastes the X11 selection, which the
    // offscreen platform lacks; the window manager script clicks it.)
    void pasteWithoutTextInsertsNothing()
    {
        QFETCH(QString, clipboard);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, expected);
        for (const QString window : {"Form1", "Form3"}) {
            ModelForm& w = modelWindow(window);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            for (int n = 1; n <= 12; ++n) {
                QPlainTextEdit* pane = w.pane(n);
                pane->setPlainText("kept");
                pane->moveCursor(QTextCursor::End);
                QApplication::clipboard()->setMimeData(clipboardData(clipboard));
                QTest::keySequence(pane, keys);
                QCOMPARE(pane->toPlainText(), expected);
            }
        }
    }

    void errorTextShownAsTyped_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("typed");
        QTest::newRow("Form3 bold tags") << "Form3" << "<b>3</b>";
        QTest::newRow("Form3 entity") << "Form3" << "1&lt;2";
        QTest::newRow("Form1 unclosed tag") << "Form1" << "<i>3";
    }
    // Mended: markup in a field's text was rendered by the message box (a
    // bold "3" for "<b>3</b>"). The box now shows its text as plain text.
    void errorTextShownAsTyped()
    {
        QFETCH(QString, window);
        QFETCH(QString, typed);
        ModelForm& w = modelWindow(window);
        bool boxSeen = false;
        Qt::TextFormat boxFormat = Qt::AutoText;
        Qt::TextFormat labelFormat = Qt::AutoText;
        QString boxText, labelText;
        whileOpen(window, [&] {
            QTimer::singleShot(0, this, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                boxSeen = true;
                boxFormat = box->textFormat();
                boxText = box->text();
                if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) {
                    labelFormat = label->textFormat();
                    labelText = label->text();
                }
                box->button(QMessageBox::Ok)->click();
            });
            QTest::keyClicks(w.field(1), typed);
            w.findChild<QPushButton*>(window == "Form1" ? "Button2" : "Button1")->click();
        });
        QVERIFY(boxSeen);
        const QString shown = "'" + typed + "' is not a valid floating point value.";
        QCOMPARE(boxFormat, Qt::PlainText);
        QCOMPARE(boxText, shown);
        QCOMPARE(labelFormat, Qt::PlainText);
        QCOMPARE(labelText, shown);
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kaskad::app::adoptApplicationTitle();
    MendedFaultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mended_faults_test.moc"
