// The mode-selection window: its layout and its handlers.
#include "app/Unit2.h"

#include "ui/error_report.h"
#include "ui/Unit1.h"
#include "ui/Unit3.h"
#include "ui/window_frame.h"
#include "ui/window_layout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>

#include <stdexcept>

namespace kaskad::app {

namespace {

using ui::ControlKind;
using ui::ControlRow;

constexpr ControlRow kForm2Controls[] = {
    {"Label1",
     ControlKind::label,
     "Выберите режим работы системы каскадных реакторов",
     16,
     16,
     476,
     20,
     {16, true, true}},
    ui::boldButton("Button1", "Тевир Барботажный", 16, 56, 249, 73, 19, 0),
    ui::boldButton("Button2", "Тевир Газлифтовый", 280, 56, 233, 73, 19, 1),
    ui::boldButton("Button3", "Выход", 528, 56, 209, 73, 19, 2),
};

// The background is the system's button-highlight colour: the light bevel
// colour of 3D controls, which Qt holds as QPalette::Light.
constexpr ui::WindowDescription kForm2Layout = {
    "Программа расчета работы системы каскадных реакторов",
    QRect(215, 137, 768, 184),
    QPalette::Light,
    11,
    "Button1",
    kForm2Controls,
};

} // namespace

TForm2::TForm2()
{
    setObjectName(QStringLiteral("Form2"));
    ui::buildWindow(*this, kForm2Layout);
    button1_ = ui::requireControl<QPushButton>(*this, "Button1");
    button2_ = ui::requireControl<QPushButton>(*this, "Button2");
    ui::onClick(button1_, this, &TForm2::Button1Click);
    ui::onClick(button2_, this, &TForm2::Button2Click);
    ui::onClick(ui::requireControl<QPushButton>(*this, "Button3"), this, &TForm2::Button3Click);
}

void TForm2::setModelWindows(ui::TForm1& gasLift, ui::TForm3& bubbleColumn)
{
    form1_ = &gasLift;
    form3_ = &bubbleColumn;
    // They open only over this window: the program's one task-bar entry is
    // this window's.
    ui::makeTransientFor(gasLift, *this);
    ui::makeTransientFor(bubbleColumn, *this);
}

void TForm2::Button1Click()
{
    if (!form3_)
        throw std::logic_error("Form3 has not been created");
    form3_->ShowModal();
    returnFocusTo(button1_);
}

void TForm2::Button2Click()
{
    if (!form1_)
        throw std::logic_error("Form1 has not been created");
    form1_->ShowModal();
    returnFocusTo(button2_);
}

void TForm2::Button3Click() { close(); }

void TForm2::returnFocusTo(QPushButton* opener)
{
    activateWindow();
    opener->setFocus(Qt::OtherFocusReason);
}

// Closing the main window ends the program: "Выход", the close box and the
// window system's close command alike, without a question.
void TForm2::closeEvent(QCloseEvent* event)
{
    ui::guarded([&] {
        event->accept();
        QCoreApplication::quit();
    });
}

} // namespace kaskad::app
