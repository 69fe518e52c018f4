// Faults of the desktop program that were mended on purpose, each test named
// for the behaviour it pins: pasting without text into a pane, markup in the
// error box, the outer size under a window manager's frame, and the one
// task-bar entry of the model windows' owner.
#include "app/program.h"
#include "program_fixture.h"
#include "ui/error_report.h"
#include "ui/window_frame.h"

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
#include <QWindow>
#include <QtTest>

#include <functional>

using kaskad::app::Program;
using kaskad::ui::ModelForm;
using kaskad::ui::OuterSizeTracker;

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

QMargins marginsFrom(const QString& text)
{
    const QStringList sides = text.split(',');
    return {sides[0].toInt(), sides[1].toInt(), sides[2].toInt(), sides[3].toInt()};
}

QString sizeText(QSize size) { return QString("%1x%2").arg(size.width()).arg(size.height()); }

} // namespace

class MendedFaultsTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;
    std::unique_ptr<Program>& program = fixture.program;

    ModelForm& modelWindow(const QString& name) { return fixture.modelWindow(name); }
    void whileOpen(const QString& name, const std::function<void()>& inside) { fixture.whileOpen(name, inside); }

private Q_SLOTS:
    void init()
    {
        fixture.start();
        // These tests look at the real message box.
        kaskad::ui::setErrorPresenter({});
    }
    void cleanup()
    {
        fixture.stop();
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
        QTest::newRow("Form3 bold tags") << "Form3"
                                         << "<b>3</b>";
        QTest::newRow("Form3 entity") << "Form3"
                                      << "1&lt;2";
        QTest::newRow("Form1 unclosed tag") << "Form1"
                                            << "<i>3";
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

    void clientSizeForFrame_data()
    {
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QSize>("client");
        QTest::newRow("no window manager") << QSize(768, 184) << "0,0,0,0" << QSize(768, 184);
        QTest::newRow("openbox, mode-selection window") << QSize(768, 184) << "1,20,1,5" << QSize(766, 159);
        QTest::newRow("openbox, bubble-column window") << QSize(1136, 649) << "1,20,1,5" << QSize(1134, 624);
        QTest::newRow("openbox, gas-lift window") << QSize(1030, 632) << "1,20,1,5" << QSize(1028, 607);
        QTest::newRow("wide frame on every side") << QSize(1030, 632) << "4,30,6,8" << QSize(1020, 594);
        QTest::newRow("frame larger than the window") << QSize(20, 10) << "15,10,15,10" << QSize(1, 1);
    }
    void clientSizeForFrame()
    {
        QFETCH(QSize, outer);
        QFETCH(QString, frame);
        QFETCH(QSize, client);
        QCOMPARE(kaskad::ui::clientSizeFor(outer, marginsFrom(frame)), client);
    }

    void outerSizeFollowsFrame_data()
    {
        // Each step: "open L,T,R,B" or "framed L,T,R,B" (the frame reported),
        // then the client size it asks for, "none" when it asks nothing.
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("no window manager")
            << QStringList{"open 0,0,0,0 1136x649", "framed 0,0,0,0 none", "framed 0,0,0,0 none"};
        QTest::newRow("framed after the first opening")
            << QStringList{"open 0,0,0,0 1136x649", "framed 1,20,1,5 1134x624", "framed 1,20,1,5 none"};
        QTest::newRow("unframed measurement is no frame")
            << QStringList{"open 0,0,-1135,-648 1136x649", "framed 0,0,-2,-25 none", "framed 1,20,1,5 1134x624"};
        QTest::newRow("second opening sized at once") << QStringList{
            "open 0,0,0,0 1136x649", "framed 1,20,1,5 1134x624", "open 0,0,0,0 1134x624", "framed 1,20,1,5 none"};
        QTest::newRow("frame known at the opening") << QStringList{"open 1,20,1,5 1134x624", "framed 1,20,1,5 none"};
        QTest::newRow("frame taken away")
            << QStringList{"open 0,0,0,0 1136x649", "framed 1,20,1,5 1134x624", "framed 0,0,0,0 1136x649"};
        QTest::newRow("another frame") << QStringList{"open 0,0,0,0 1136x649", "framed 1,20,1,5 1134x624",
                                                      "framed 4,30,4,4 1128x615"};
    }
    // Mended: under a window manager the windows came out larger by the
    // frame. The client size now follows the frame once it is known.
    void outerSizeFollowsFrame()
    {
        QFETCH(QStringList, steps);
        OuterSizeTracker tracker(QSize(1136, 649));
        for (const QString& step : steps) {
            const QStringList parts = step.split(' ');
            const QMargins frame = marginsFrom(parts[1]);
            QString asked = "none";
            if (parts[0] == "open") {
                asked = sizeText(tracker.opening(frame));
            } else if (const std::optional<QSize> size = tracker.framed(frame)) {
                asked = sizeText(*size);
            }
            QCOMPARE(step, parts[0] + ' ' + parts[1] + ' ' + asked);
        }
    }

    void oneTaskBarEntry_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << "Form1";
        QTest::newRow("Form3") << "Form3";
    }
    // Mended: each model window had a task-bar entry of its own. Now each
    // is a transient window of Form2, at every opening, keeping its
    // minimise, maximise and close boxes and its modality.
    void oneTaskBarEntry()
    {
        QFETCH(QString, window);
        ModelForm& w = modelWindow(window);
        QWindow* owner = program->Form2().windowHandle();
        QVERIFY(owner);
        QCOMPARE(owner->transientParent(), nullptr);
        QVERIFY(w.windowHandle());
        QCOMPARE(w.windowHandle()->transientParent(), owner);
        for (int opening = 1; opening <= 2; ++opening) {
            whileOpen(window, [&] {
                QCOMPARE(w.windowHandle()->transientParent(), owner);
                QCOMPARE(w.windowModality(), Qt::ApplicationModal);
                const Qt::WindowFlags flags = w.windowHandle()->flags();
                QVERIFY(flags.testFlags(Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint));
            });
        }
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
