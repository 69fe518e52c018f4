// The mode-selection window, Form2: the main window of the program.
#pragma once

#include <QWidget>

class QPushButton;

namespace kaskad::ui {
class TForm1;
class TForm3;
} // namespace kaskad::ui

namespace kaskad::app {

class TForm2 : public QWidget {
public:
    TForm2();

    // The model windows its buttons open, created after this window; they
    // become transient windows of this one.
    void setModelWindows(ui::TForm1& gasLift, ui::TForm3& bubbleColumn);

    void Button1Click(); // opens Form3, the bubble-column window, modally
    void Button2Click(); // opens Form1, the gas-lift window, modally
    void Button3Click(); // closes this window, which ends the program

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Takes input again after a model window has closed, with the focus on
    // the button that opened it.
    void returnFocusTo(QPushButton* opener);

    QPushButton* button1_;
    QPushButton* button2_;
    ui::TForm1* form1_ = nullptr;
    ui::TForm3* form3_ = nullptr;
};

} // namespace kaskad::app
