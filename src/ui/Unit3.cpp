// The bubble-column model window: its layout and its handlers.
#include "ui/Unit3.h"

#include "model/design.h"
#include "model/criterion.h"
#include "ui/error_report.h"

#include <QPushButton>

namespace kaskad::ui {

namespace {

// The window's fields, LabeledEdit1..LabeledEdit8, as its design describes them.
constexpr const auto& kFields = describe(ModelKind::bubble).fields;

constexpr ControlRow kForm3Controls[] = {
    boldButton("Button1", "Тевир Барботажный", 8, 8, 201, 57, 16, 20),
    boldButton("Button2", "Выход", 944, 8, 169, 49, 19, 21),
    boldButton("Button4", "Сброс", 8, 127, 75, 25, 11, 2, CaptionColour::pureRed),

    labeledEdit("LabeledEdit1", kFields[0].caption, 224, 24, 12),
    labeledEdit("LabeledEdit2", kFields[1].caption, 224, 64, 13),
    labeledEdit("LabeledEdit3", kFields[2].caption, 224, 112, 14),
    labeledEdit("LabeledEdit4", kFields[3].caption, 224, 152, 15),
    labeledEdit("LabeledEdit5", kFields[4].caption, 448, 24, 16),
    labeledEdit("LabeledEdit6", kFields[5].caption, 448, 64, 17),
    labeledEdit("LabeledEdit7", kFields[6].caption, 448, 104, 22),
    labeledEdit("LabeledEdit8", kFields[7].caption, 448, 144, 18),

    pane("Text1", 8, 216, 19),
    labelAt("Label8", kPaneTitles[paneY1], 16, 184),
    pane("Text2", 216, 216, 0),
    labelAt("Label9", kPaneTitles[paneY2], 240, 192),
    pane("Text3", 408, 216, 1),
    labelAt("Label10", kPaneTitles[paneY3], 440, 192),
    pane("Text4", 16, 369, 5),
    labelAt("Label13", kPaneTitles[paneY4], 64, 336),
    pane("Text5", 232, 369, 6),
    labelAt("Label14", kPaneTitles[paneY5], 232, 336),
    pane("Text6", 480, 369, 7),
    labelAt("Label15", kPaneTitles[paneY6], 528, 344),
    pane("Text7", 624, 216, 3),
    labelAt("Label11", kPaneTitles[paneGB], 640, 192),
    pane("Text8", 696, 377, 8),
    labelAt("Label16", kPaneTitles[paneALFA], 736, 352),
    pane("Text9", 863, 216, 4),
    labelAt("Label12", kPaneTitles[paneWB], 880, 192),
    pane("Text10", 919, 377, 9),
    labelAt("Label17", kPaneTitles[paneALPE], 984, 336),
    pane("Text11", 272, 521, 10),
    labelAt("Label18", kPaneTitles[paneT], 320, 493),
    pane("Text12", 584, 521, 11),
    labelAt("Label19", kPaneTitles[paneP], 632, 501),

    // No Label2 here: the bubble-column criterion starts at y2.
    labelAt("Label1", "Критерий оптимальности", 40, 72),
    labelAt("Label3", kCriterionY2.label, 704, 16),
    labelAt("Label4", kCriterionY3.label, 704, 32),
    labelAt("Label5", kCriterionY4.label, 704, 48),
    labelAt("Label6", kCriterionY5.label, 704, 64),
};

constexpr WindowDescription kForm3Layout = {
    modelCaption(ModelKind::bubble), QRect(113, 192, 1136, 649), QPalette::Button, 11, "Button4", kForm3Controls,
};

} // namespace

TForm3::TForm3(const RegionalSettings& settings) : ModelForm(kForm3Layout, settings, ModelKind::bubble)
{
    setObjectName(QStringLiteral("Form3"));
    onClick(requireControl<QPushButton>(*this, "Button1"), this, &TForm3::Button1Click);
    calculateOnReturn(requireControl<QPushButton>(*this, "Button1"));
    onClick(requireControl<QPushButton>(*this, "Button2"), this, &TForm3::Button2Click);
    onClick(requireControl<QPushButton>(*this, "Button4"), this, &TForm3::Button4Click);
}

void TForm3::Button1Click()
{
    calculateAndKeep(
        [this](const ModelInputs& inputs) { runModel(ModelKind::bubble, inputs, *this, decimalSeparator()); });
}

void TForm3::Button2Click() { close(); }

void TForm3::Button4Click()
{
    clearPanes();
    clearFields({1, 2, 3, 4, 5, 6, 7, 8});
}

} // namespace kaskad::ui
