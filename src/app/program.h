// Start-up: the three windows, created once in the order Form2, Form1, Form3.
#pragma once

#include "app/Unit2.h"
#include "ui/regional_settings.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"

#include <QLocale>
#include <QTranslator>

#include <memory>

namespace kaskad::app {

// Makes the application title (from the program file's name) the
// application's name, which the task bar shows and which captions the error
// message box.
void adoptApplicationTitle();

// Qt's own texts (the file dialogs, the overwrite question, OK, the edit
// menu) in the language of `locale`, from Qt's translations where they are
// installed; English where they are not. Returns the translator installed,
// owned by the application, or none.
QTranslator* installQtTranslations(const QLocale& locale);

class Program {
public:
    // Creates the windows hidden: Form2, the main window, then Form1 (whose
    // FormCreate runs), then Form3.
    explicit Program(ui::RegionalSettings::LocaleSource locale = &QLocale::system);
    ~Program();

    // Shows the main window; the event loop runs until it is closed.
    void start();

    ui::RegionalSettings& regionalSettings() { return settings_; }
    TForm2& Form2() { return *form2_; }
    ui::TForm1& Form1() { return *form1_; }
    ui::TForm3& Form3() { return *form3_; }

private:
    ui::RegionalSettings settings_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<ui::TForm1> form1_;
    std::unique_ptr<ui::TForm3> form3_;
};

} // namespace kaskad::app
