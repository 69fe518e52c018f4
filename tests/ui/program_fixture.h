// The running program as the window tests drive it: its windows, error
// reports and file choices recorded instead of shown, and the steps the
// tests share (opening a model window, typing its fields).
#pragma once

#include "app/program.h"
#include "ui/error_report.h"
#include "ui/user_files.h"
#include "worked_examples.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

namespace kaskad::ui::test_support {

inline QStringList textsOf(const std::array<const char*, 8>& texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

inline const QStringList kBubbleExample = textsOf(kaskad::test_support::kBubbleExampleFields);
inline const QStringList kGasLiftExample = textsOf(kaskad::test_support::kGasLiftExampleFields);

class ProgramFixture {
public:
    std::unique_ptr<app::Program> program;
    QStringList reports;
    QList<FileRequest> requests;
    QStringList foldersOffered;
    // What the file chooser answers next; none: the user cancels.
    std::optional<ChosenFile> answer;

    // Starts the program in the locale `locale` gives, reports and file
    // choices recorded.
    void start(RegionalSettings::LocaleSource locale = [] { return QLocale::c(); })
    {
        reports.clear();
        requests.clear();
        foldersOffered.clear();
        answer.reset();
        setErrorPresenter([this](const ErrorReport& report) { reports << report.text; });
        setFileChooser([this](QWidget*, const FileRequest& request, const QString& folder) {
            requests << request;
            foldersOffered << folder;
            return answer;
        });
        program = std::make_unique<app::Program>(std::move(locale));
        program->start();
        QVERIFY(QTest::qWaitForWindowExposed(&program->Form2()));
    }

    void stop()
    {
        program.reset();
        setErrorPresenter({});
        setFileChooser({});
    }

    // "Form1" (gas-lift) or "Form3" (bubble-column).
    ModelForm& modelWindow(const QString& name)
    {
        if (name == "Form1")
            return program->Form1();
        return program->Form3();
    }
    QPushButton* button(const QString& window, const char* form1Name, const char* form3Name)
    {
        return modelWindow(window).findChild<QPushButton*>(window == "Form1" ? form1Name : form3Name);
    }
    QPushButton* calculateButton(const QString& window) { return button(window, "Button2", "Button1"); }

    // Opens the model window from the mode window, runs `inside` in its modal
    // loop, and closes it with its exit button.
    void whileOpen(const QString& name, const std::function<void()>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, &program->Form2(), [&] {
            QVERIFY(QTest::qWaitForWindowActive(&modelWindow(name)));
            inside();
            ran = true;
            button(name, "Button3", "Button2")->click();
        });
        program->Form2().findChild<QPushButton*>(name == "Form1" ? "Button2" : "Button1")->click();
        QVERIFY2(ran, "the model window's modal loop did not run");
    }

    static void typeFields(ModelForm& window, const QStringList& texts)
    {
        for (int n = 1; n <= 8; ++n)
            window.field(n)->setText(texts[n - 1]);
    }

    // Types the texts into a model window and clicks its calculate button.
    void calculate(const QString& window, const QStringList& texts)
    {
        typeFields(modelWindow(window), texts);
        calculateButton(window)->click();
    }
};

} // namespace kaskad::ui::test_support
