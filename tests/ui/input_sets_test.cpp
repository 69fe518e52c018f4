// Input sets from the model windows: Ctrl+S writes the eight field texts as
// they stand, Ctrl+O puts them back without running them, a bad file is
// reported and changes no field, and the folder last used is remembered.
#include "app/program.h"
#include "program_fixture.h"
#include "ui/error_report.h"
#include "ui/pane_text.h"
#include "ui/user_files.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <sys/stat.h>

using kaskad::app::Program;
using kaskad::ui::ModelForm;

namespace {

QStringList fieldTexts(const ModelForm& window)
{
    QStringList texts;
    for (int n = 1; n <= 8; ++n)
        texts << window.field(n)->text();
    return texts;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kBubbleSet = "{\n"
                              "  \"kaskad-input-set\": 1,\n"
                              "  \"model\": \"bubble\",\n"
                              "  \"fields\": {\n"
                              "    \"N\": \"24\",\n"
                              "    \"y10\": \" 3\",\n"
                              "    \"y50\": \"2,5\",\n"
                              "    \"wg\": \"\",\n"
                              "    \"t\": \"433\",\n"
                              "    \"dtr\": \"два\",\n"
                              "    \"d\": \"3\",\n"
                              "    \"ts\": \"3600 \"\n"
                              "  }\n"
                              "}\n";
const QStringList kBubbleSetTexts = {"24", " 3", "2,5", "", "433", "два", "3", "3600 "};
// The same set as a window with the C locale's separator saves it.
const QByteArray kSavedBubbleSet =
    QByteArray(kBubbleSet)
        .replace("\"model\": \"bubble\",\n", "\"model\": \"bubble\",\n  \"decimal-separator\": \".\",\n");

} // namespace

class InputSetsTest : public QObject {
    Q_OBJECT

    kaskad::ui::test_support::ProgramFixture fixture;
    std::unique_ptr<Program>& program = fixture.program;
    QStringList& reports = fixture.reports;
    QList<kaskad::ui::FileRequest>& requests = fixture.requests;
    QStringList& foldersOffered = fixture.foldersOffered;
    std::optional<kaskad::ui::ChosenFile>& answer = fixture.answer;
    std::unique_ptr<QTemporaryDir> folder;

    ModelForm& modelWindow(const QString& name) { return fixture.modelWindow(name); }
    void whileOpen(const QString& name, const std::function<void()>& inside) { fixture.whileOpen(name, inside); }
    void typeFields(ModelForm& window, const QStringList& texts) { fixture.typeFields(window, texts); }

    // Ctrl+S or Ctrl+O with the focus in the first field; the chooser
    // answers `path`.
    void press(ModelForm& window, Qt::Key key, const QString& path)
    {
        answer = kaskad::ui::ChosenFile{path, 0};
        window.field(1)->setFocus();
        QTest::keyClick(window.field(1), key, Qt::ControlModifier);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Kaskad", "kaskad").clear();
        folder = std::make_unique<QTemporaryDir>();
        fixture.start();
    }
    void cleanup() { fixture.stop(); }

    void saveWritesTheTextsAsTheyStand_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("saved");
        QTest::newRow("name without suffix") << "set"
                                             << "set.kaskad.json";
        QTest::newRow("name with suffix") << "set.kaskad.json"
                                          << "set.kaskad.json";
        QTest::newRow("plain JSON") << "set.json"
                                    << "set.json";
    }
    void saveWritesTheTextsAsTheyStand()
    {
        QFETCH(QString, name);
        QFETCH(QString, saved);
        ModelForm& w = program->Form3();
        whileOpen("Form3", [&] {
            typeFields(w, kBubbleSetTexts);
            press(w, Qt::Key_S, folder->filePath(name));
        });
        QCOMPARE(reports, QStringList());
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests[0].saving);
        QCOMPARE(requests[0].caption, QString("Сохранить исходные данные"));
        QCOMPARE(fileBytes(folder->filePath(saved)), kSavedBubbleSet);
    }

    void gasLiftSetHoldsDrawTube()
    {
        ModelForm& w = program->Form1();
        whileOpen("Form1", [&] {
            typeFields(w, {"3", "3", "2", "0.05", "450", "2", "0,4", "3600"});
            press(w, Qt::Key_S, folder->filePath("g"));
        });
        const QByteArray saved = fileBytes(folder->filePath("g.kaskad.json"));
        QVERIFY2(saved.contains("\"model\": \"gaslift\",\n"), saved.constData());
        QVERIFY2(saved.contains("    \"dtr\": \"2\",\n    \"db\": \"0,4\",\n    \"ts\": \"3600\"\n"),
                 saved.constData());
    }

    void openFillsTheFieldsWithoutRunning_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << "Form1";
        QTest::newRow("Form3") << "Form3";
    }
    // Saved, the window cleared, opened again: the texts come back and no
    // run starts.
    void openFillsTheFieldsWithoutRunning()
    {
        QFETCH(QString, window);
        const QStringList texts = {" 24", "3", "2,5", "0.05", "x", "", "7", "3600"};
        ModelForm& w = modelWindow(window);
        whileOpen(window, [&] {
            typeFields(w, texts);
            press(w, Qt::Key_S, folder->filePath("set"));
            w.findChild<QPushButton*>("Button4")->click();
            w.field(7)->clear();
            press(w, Qt::Key_O, folder->filePath("set.kaskad.json"));
            QCOMPARE(fieldTexts(w), texts);
            QVERIFY(w.runs().empty());
            for (int n = 1; n <= 12; ++n)
                QVERIFY(w.pane(n)->toPlainText().isEmpty());
        });
        QCOMPARE(reports, QStringList());
        QCOMPARE(requests.size(), 2);
        QVERIFY(!requests[1].saving);
        QCOMPARE(requests[1].caption, QString("Открыть исходные данные"));
    }

    void badFileChangesNoField_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("problem");
        QTest::newRow("other model") << QByteArray(kBubbleSet).replace("bubble", "gaslift").replace("\"d\"", "\"db\"")
                                     << "это исходные данные окна «Тевир Газлифтовый»";
        QTest::newRow("malformed JSON") << QByteArray("{\"kaskad-input-set\": 1,")
                                        << "это не JSON (строка 1, позиция 24)";
        QTest::newRow("missing field") << QByteArray(kBubbleSet).replace("\"ts\"", "\"tS\"") << "нет поля «ts»";
        QTest::newRow("field not a string")
            << QByteArray(kBubbleSet).replace("\"N\": \"24\"", "\"N\": 24") << "поле «N» не строка: 24";
        QTest::newRow("unknown version") << QByteArray(kBubbleSet).replace("\": 1,", "\": 3,")
                                         << "неизвестная версия исходных данных: 3";
        QTest::newRow("number beyond double") << QByteArray(kBubbleSet).replace("\": 1,", "\": 1e400,")
                                              << "число вне допустимых пределов: 1e400 (строка 2, позиция 27)";
        QTest::newRow("too large") << QByteArray(70000, ' ') << "файл больше 64 КБ";
        QTest::newRow("no such file") << QByteArray() << "No such file or directory";
    }
    // The report names the file and what is wrong with it.
    void badFileChangesNoField()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        const QString path = folder->filePath("bad.kaskad.json");
        if (!content.isEmpty())
            writeFile(path, content);
        const QStringList typed = {"1", "2", "3", "4", "5", "6", "7", "8"};
        ModelForm& w = program->Form3();
        whileOpen("Form3", [&] {
            typeFields(w, typed);
            press(w, Qt::Key_O, path);
            QCOMPARE(fieldTexts(w), typed);
        });
        QCOMPARE(reports, QStringList{"Не удалось открыть «" + path + "»: " + problem + "."});
    }

    void nonRegularFileIsRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "pipe";
        QTest::newRow("folder") << "folder";
        QTest::newRow("device") << "device";
    }
    // A named pipe without a writer would hold the open for good; none of
    // these is read, and the report says why.
    void nonRegularFileIsRefused()
    {
        QFETCH(QString, kind);
        QString path = folder->filePath("set.kaskad.json");
        if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir(folder->path()).mkdir("set.kaskad.json"));
        else
            path = "/dev/null";
        whileOpen("Form3", [&] { press(program->Form3(), Qt::Key_O, path); });
        QCOMPARE(reports, QStringList{"Не удалось открыть «" + path + "»: это не обычный файл."});
    }

    void unwritableSetIsReported()
    {
        const QString path = folder->filePath("missing/set.kaskad.json");
        whileOpen("Form3", [&] { press(program->Form3(), Qt::Key_S, path); });
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].startsWith("Не удалось сохранить «" + path + "»: "), qPrintable(reports[0]));
        QVERIFY(!QFileInfo::exists(path));
    }

    // The dialog starts in the home folder, then in the folder of the last
    // file chosen, in this run of the program and the next.
    void lastFolderIsRemembered()
    {
        QVERIFY(QDir(folder->path()).mkdir("sets"));
        const QString sets = folder->filePath("sets");
        whileOpen("Form3", [&] {
            press(program->Form3(), Qt::Key_S, sets + "/one");
            press(program->Form3(), Qt::Key_O, sets + "/one.kaskad.json");
        });
        program = std::make_unique<Program>([] { return QLocale::c(); });
        whileOpen("Form1", [&] { press(program->Form1(), Qt::Key_S, folder->filePath("two")); });
        QCOMPARE(foldersOffered, (QStringList{QDir::homePath(), sets, sets}));
        QCOMPARE(kaskad::ui::lastFolder(), folder->path());
        QCOMPARE(reports, QStringList());
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    kaskad::app::adoptApplicationTitle();
    InputSetsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "input_sets_test.moc"
