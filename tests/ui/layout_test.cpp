// Positions, sizes, captions, fonts and tab order of the three windows,
// checked against numbers held here rather than read back from the tables
// the windows are built from.
#include "app/program.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using kaskad::app::Program;

namespace {

struct ControlRow {
    const char* window;
    const char* name;
    const char* caption;          // "" for panes and fields
    int left, top, width, height; // width -1: a label sized to its caption
    int fontPixels;
    bool bold;
};

constexpr int fitsCaption = -1;

const ControlRow kControls[] = {
    {"Form2", "Label1", "Выберите режим работы системы каскадных реакторов", 16, 16, 476, 20, 16, true},
    {"Form2", "Button1", "Тевир Барботажный", 16, 56, 249, 73, 19, true},
    {"Form2", "Button2", "Тевир Газлифтовый", 280, 56, 233, 73, 19, true},
    {"Form2", "Button3", "Выход", 528, 56, 209, 73, 19, true},

    {"Form1", "Button2", "Тевир Газлифтовый", 8, 8, 201, 49, 13, true},
    {"Form1", "Button3", "Выход", 936, 8, 75, 25, 19, true},
    {"Form1", "Button4", "Сброс", 8, 127, 75, 25, 11, true},
    {"Form3", "Button1", "Тевир Барботажный", 8, 8, 201, 57, 16, true},
    {"Form3", "Button2", "Выход", 944, 8, 169, 49, 19, true},
    {"Form3", "Button4", "Сброс", 8, 127, 75, 25, 11, true},

    {"Form1", "LabeledEdit1", "", 224, 24, 121, 21, 11, false},
    {"Form1", "LabeledEdit2", "", 224, 64, 121, 21, 11, false},
    {"Form1", "LabeledEdit3", "", 224, 112, 121, 21, 11, false},
    {"Form1", "LabeledEdit4", "", 224, 152, 121, 21, 11, false},
    {"Form1", "LabeledEdit5", "", 456, 24, 121, 21, 11, false},
    {"Form1", "LabeledEdit6", "", 456, 64, 121, 21, 11, false},
    {"Form1", "LabeledEdit7", "", 456, 104, 121, 21, 11, false},
    {"Form1", "LabeledEdit8", "", 456, 144, 121, 21, 11, false},
    {"Form3", "LabeledEdit1", "", 224, 24, 121, 21, 11, false},
    {"Form3", "LabeledEdit2", "", 224, 64, 121, 21, 11, false},
    {"Form3", "LabeledEdit3", "", 224, 112, 121, 21, 11, false},
    {"Form3", "LabeledEdit4", "", 224, 152, 121, 21, 11, false},
    {"Form3", "LabeledEdit5", "", 448, 24, 121, 21, 11, false},
    {"Form3", "LabeledEdit6", "", 448, 64, 121, 21, 11, false},
    {"Form3", "LabeledEdit7", "", 448, 104, 121, 21, 11, false},
    {"Form3", "LabeledEdit8", "", 448, 144, 121, 21, 11, false},

    {"Form1", "Text1", "", 8, 216, 185, 89, 11, false},
    {"Form1", "Text2", "", 216, 216, 185, 89, 11, false},
    {"Form1", "Text3", "", 408, 216, 185, 89, 11, false},
    {"Form1", "Text4", "", 8, 368, 185, 89, 11, false},
    {"Form1", "Text5", "", 208, 368, 185, 89, 11, false},
    {"Form1", "Text6", "", 408, 368, 185, 89, 11, false},
    {"Form1", "Text7", "", 624, 216, 185, 89, 11, false},
    {"Form1", "Text8", "", 600, 368, 185, 89, 11, false},
    {"Form1", "Text9", "", 816, 216, 185, 89, 11, false},
    {"Form1", "Text10", "", 792, 368, 185, 89, 11, false},
    {"Form1", "Text11", "", 136, 484, 185, 89, 11, false},
    {"Form1", "Text12", "", 472, 476, 185, 89, 11, false},
    {"Form3", "Text1", "", 8, 216, 185, 89, 11, false},
    {"Form3", "Text2", "", 216, 216, 185, 89, 11, false},
    {"Form3", "Text3", "", 408, 216, 185, 89, 11, false},
    {"Form3", "Text4", "", 16, 369, 185, 89, 11, false},
    {"Form3", "Text5", "", 232, 369, 185, 89, 11, false},
    {"Form3", "Text6", "", 480, 369, 185, 89, 11, false},
    {"Form3", "Text7", "", 624, 216, 185, 89, 11, false},
    {"Form3", "Text8", "", 696, 377, 185, 89, 11, false},
    {"Form3", "Text9", "", 863, 216, 185, 89, 11, false},
    {"Form3", "Text10", "", 919, 377, 185, 89, 11, false},
    {"Form3", "Text11", "", 272, 521, 185, 89, 11, false},
    {"Form3", "Text12", "", 584, 521, 185, 89, 11, false},

    {"Form1", "Label8", "y1 - П - ксилол", 16, 184, fitsCaption, 0, 11, false},
    {"Form1", "Label9", "y2 - ПТ - кислота", 240, 192, fitsCaption, 0, 11, false},
    {"Form1", "Label10", "y3 - ТФК", 440, 192, fitsCaption, 0, 11, false},
    {"Form1", "Label13", "y4 - ММ эфир ТФК", 72, 344, fitsCaption, 0, 11, false},
    {"Form1", "Label14", "y5 - П - эфир", 240, 344, fitsCaption, 0, 11, false},
    {"Form1", "Label15", "y6 - Вода", 424, 344, fitsCaption, 0, 11, false},
    {"Form1", "Label11", "GB воздуха", 640, 192, fitsCaption, 0, 11, false},
    {"Form1", "Label16", "ALFA", 624, 352, fitsCaption, 0, 11, false},
    {"Form1", "Label12", "WB оксидата", 848, 192, fitsCaption, 0, 11, false},
    {"Form1", "Label17", "ALPE", 816, 352, fitsCaption, 0, 11, false},
    {"Form1", "Label18", "Температура в реакторе", 8, 480, fitsCaption, 0, 11, false},
    {"Form1", "Label19", "Давление в реакторе", 352, 480, fitsCaption, 0, 11, false},
    {"Form3", "Label8", "y1 - П - ксилол", 16, 184, fitsCaption, 0, 11, false},
    {"Form3", "Label9", "y2 - ПТ - кислота", 240, 192, fitsCaption, 0, 11, false},
    {"Form3", "Label10", "y3 - ТФК", 440, 192, fitsCaption, 0, 11, false},
    {"Form3", "Label13", "y4 - ММ эфир ТФК", 64, 336, fitsCaption, 0, 11, false},
    {"Form3", "Label14", "y5 - П - эфир", 232, 336, fitsCaption, 0, 11, false},
    {"Form3", "Label15", "y6 - Вода", 528, 344, fitsCaption, 0, 11, false},
    {"Form3", "Label11", "GB воздуха", 640, 192, fitsCaption, 0, 11, false},
    {"Form3", "Label16", "ALFA", 736, 352, fitsCaption, 0, 11, false},
    {"Form3", "Label12", "WB оксидата", 880, 192, fitsCaption, 0, 11, false},
    {"Form3", "Label17", "ALPE", 984, 336, fitsCaption, 0, 11, false},
    {"Form3", "Label18", "Температура в реакторе", 320, 493, fitsCaption, 0, 11, false},
    {"Form3", "Label19", "Давление в реакторе", 632, 501, fitsCaption, 0, 11, false},

    {"Form1", "Label1", "Критерий оптимальности", 40, 64, fitsCaption, 0, 11, false},
    {"Form1", "Label2", "y1<=0.02", 704, 16, fitsCaption, 0, 11, false},
    {"Form1", "Label3", "y2>=1.47", 704, 32, fitsCaption, 0, 11, false},
    {"Form1", "Label4", "y3<=0.91", 704, 48, fitsCaption, 0, 11, false},
    {"Form1", "Label5", "y4>=1.06", 704, 64, fitsCaption, 0, 11, false},
    {"Form1", "Label6", "1.67<=y5<=2.33", 704, 80, fitsCaption, 0, 11, false},
    {"Form3", "Label1", "Критерий оптимальности", 40, 72, fitsCaption, 0, 11, false},
    {"Form3", "Label3", "y2>=1.47", 704, 16, fitsCaption, 0, 11, false},
    {"Form3", "Label4", "y3<=0.91", 704, 32, fitsCaption, 0, 11, false},
    {"Form3", "Label5", "y4>=1.06", 704, 48, fitsCaption, 0, 11, false},
    {"Form3", "Label6", "1.67<=y5<=2.33", 704, 64, fitsCaption, 0, 11, false},
};

QString captionOf(const QWidget* control)
{
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QPushButton*>(control))
        return button->text();
    return {};
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Program> program;

    QWidget& window(const QString& name)
    {
        if (name == "Form1")
            return program->Form1();
        if (name == "Form3")
            return program->Form3();
        return program->Form2();
    }

private Q_SLOTS:
    void init() { program = std::make_unique<Program>(); }
    void cleanup() { program.reset(); }

    void windows_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("outer");
        QTest::addColumn<int>("background");
        QTest::newRow("Form2") << "Form2"
                               << "Программа расчета работы системы каскадных реакторов" << QRect(215, 137, 768, 184)
                               << int(QPalette::Light);
        QTest::newRow("Form1") << "Form1"
                               << "Тевир Газлифтовый" << QRect(117, 139, 1030, 632) << int(QPalette::Button);
        QTest::newRow("Form3") << "Form3"
                               << "Тевир Барботажный" << QRect(113, 192, 1136, 649) << int(QPalette::Button);
    }
    void windows()
    {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QRect, outer);
        QFETCH(int, background);
        QWidget& w = this->window(window);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), caption);
        QCOMPARE(w.frameGeometry(), outer);
        QCOMPARE(w.font().pixelSize(), 11);
        // What the client area shows behind the controls.
        auto* client = w.findChild<QWidget*>("Client");
        QVERIFY(client->autoFillBackground());
        QCOMPARE(client->palette().color(client->backgroundRole()),
                 QApplication::palette().color(QPalette::ColorRole(background)));
    }

    void controls_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kControls)); ++i)
            QTest::addRow("%s %s", kControls[i].window, kControls[i].name) << i;
    }
    void controls()
    {
        QFETCH(int, row);
        const ControlRow& expected = kControls[row];
        QWidget& w = window(expected.window);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* control = w.findChild<QWidget*>(expected.name);
        QVERIFY(control);
        QCOMPARE(control->mapTo(&w, QPoint(0, 0)), QPoint(expected.left, expected.top));
        if (expected.width == fitsCaption)
            QCOMPARE(control->size(), control->sizeHint());
        else
            QCOMPARE(control->size(), QSize(expected.width, expected.height));
        QCOMPARE(captionOf(control), QString::fromUtf8(expected.caption));
        QCOMPARE(control->font().pixelSize(), expected.fontPixels);
        QCOMPARE(control->font().bold(), expected.bold);
        QCOMPARE(control->font().families().value(0), QString("MS Sans Serif"));
    }

    void otherControls_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("controls");
        QTest::addColumn<int>("labels");
        QTest::newRow("Form2") << "Form2" << 3 << 1;
        QTest::newRow("Form1") << "Form1" << 23 << 26; // 18 titles and criteria, 8 field captions
        QTest::newRow("Form3") << "Form3" << 23 << 25; // no Label2
    }
    // No control beyond the table: counts of focusable controls and labels.
    void otherControls()
    {
        QFETCH(QString, window);
        QFETCH(int, controls);
        QFETCH(int, labels);
        QWidget& w = this->window(window);
        const int focusable = int(w.findChildren<QPushButton*>().size() + w.findChildren<QLineEdit*>().size() +
                                  w.findChildren<QPlainTextEdit*>().size());
        QCOMPARE(focusable, controls);
        QCOMPARE(int(w.findChildren<QLabel*>().size()), labels);
        QCOMPARE(w.findChild<QLabel*>("Label2") != nullptr, window == "Form1");
    }

    void fieldCaptions_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("caption");
        const char* shared[] = {"число реакторов N",
                                "начальная концентрация y10",
                                "начальная концентрация y50",
                                "приведённая скорость воздуха wg",
                                "температура реакции в К t",
                                "разность температуры в реакторах dtr",
                                nullptr,
                                "среднее время пребывания жидкости в реакторе ts"};
        for (const char* window : {"Form1", "Form3"}) {
            for (int n = 1; n <= 8; ++n) {
                const char* caption = shared[n - 1];
                if (n == 7)
                    caption = QByteArray(window) == "Form1" ? "диаметр барбатажной трубы db" : "диаметр  реактора d";
                QTest::addRow("%s LabeledEdit%d", window, n)
                    << window << QString("LabeledEdit%1").arg(n) << QString::fromUtf8(caption);
            }
        }
    }
    // The caption stands above its field, left-aligned, 3 pixels between.
    void fieldCaptions()
    {
        QFETCH(QString, window);
        QFETCH(QString, field);
        QFETCH(QString, caption);
        QWidget& w = this->window(window);
        auto* edit = w.findChild<QLineEdit*>(field);
        auto* label = w.findChild<QLabel*>(field + ".EditLabel");
        QVERIFY(edit && label);
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->x(), edit->x());
        QCOMPARE(label->y() + label->height() + 3, edit->y());
        QCOMPARE(label->size(), label->sizeHint());
        QCOMPARE(label->font().pixelSize(), 11);
        QVERIFY(edit->maxLength() > 100000);
    }

    void resetCaptionsAreRed_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("Form1 reset") << "Form1"
                                     << "Button4" << QColor(255, 0, 0);
        QTest::newRow("Form3 reset") << "Form3"
                                     << "Button4" << QColor(255, 0, 0);
        QTest::newRow("Form1 calculate") << "Form1"
                                         << "Button2" << QApplication::palette().color(QPalette::ButtonText);
        QTest::newRow("Form3 exit") << "Form3"
                                    << "Button2" << QApplication::palette().color(QPalette::ButtonText);
    }
    void resetCaptionsAreRed()
    {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(QColor, colour);
        auto* control = this->window(window).findChild<QPushButton*>(button);
        QCOMPARE(control->palette().color(QPalette::ButtonText), colour);
    }

    void panesWrapWithoutScrollBars()
    {
        for (QWidget* w : {static_cast<QWidget*>(&program->Form1()), static_cast<QWidget*>(&program->Form3())}) {
            const auto panes = w->findChildren<QPlainTextEdit*>();
            QCOMPARE(panes.size(), 12);
            for (QPlainTextEdit* pane : panes) {
                QCOMPARE(pane->lineWrapMode(), QPlainTextEdit::WidgetWidth);
                QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
                QCOMPARE(pane->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
                QVERIFY(!pane->isReadOnly());
            }
        }
    }

    void tabOrder_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Form2") << "Form2" << QStringList{"Button1", "Button2", "Button3"};
        QTest::newRow("Form1") << "Form1" << QStringList{"Button2",      "Button3",      "Text2",        "Text3",
                                                         "Button4",      "Text7",        "Text9",        "Text4",
                                                         "Text5",        "Text6",        "Text8",        "Text10",
                                                         "Text11",       "Text12",       "LabeledEdit1", "LabeledEdit2",
                                                         "LabeledEdit3", "LabeledEdit4", "LabeledEdit5", "LabeledEdit6",
                                                         "LabeledEdit8", "Text1",        "LabeledEdit7"};
        QTest::newRow("Form3") << "Form3" << QStringList{"Button4",      "Text7",        "Text9",        "Text4",
                                                         "Text5",        "Text6",        "Text8",        "Text10",
                                                         "Text11",       "Text12",       "LabeledEdit1", "LabeledEdit2",
                                                         "LabeledEdit3", "LabeledEdit4", "LabeledEdit5", "LabeledEdit6",
                                                         "LabeledEdit8", "Text1",        "Button1",      "Button2",
                                                         "LabeledEdit7", "Text2",        "Text3"};
    }
    // The first name is the control focused when the window is first shown;
    // the tab key then walks the rest and wraps round to the first.
    void tabOrder()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, order);
        QWidget& w = this->window(window);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QStringList walked;
        for (int i = 0; i <= order.size(); ++i) {
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused);
            walked << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(walked, order + QStringList{order.first()});
    }

    void smallerWindowScrolls()
    {
        QWidget& w = program->Form3();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* area = w.findChild<QScrollArea*>("ClientArea");
        QVERIFY(!area->verticalScrollBar()->isVisible());
        w.resize(500, 300);
        QTRY_VERIFY(area->verticalScrollBar()->isVisible());
        QVERIFY(area->horizontalScrollBar()->isVisible());
        auto* pane = w.findChild<QPlainTextEdit*>("Text12");
        QCOMPARE(pane->geometry(), QRect(584, 521, 185, 89));
        // Scrolling reaches Button2's right edge and the bottom panes' lower edge.
        QCOMPARE(area->horizontalScrollBar()->maximum() + area->viewport()->width(), 944 + 169);
        QCOMPARE(area->verticalScrollBar()->maximum() + area->viewport()->height(), 521 + 89);
        QCOMPARE(pane->size(), QSize(185, 89));
    }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
