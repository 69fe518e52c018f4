// The gas-lift model window: its layout and its handlers.
#include "ui/Unit1.h"

#include "model/criterion.h"
#include "ui/error_report.h"

#include <QPushButton>

namespace kaskad::ui {

namespace {

// The window's fields, LabeledEdit1..LabeledEdit8, as its design describes them.
constexpr const auto& kFields = describe(ModelKind::gaslift).fields;

constexpr ControlRow kForm1Controls[] = {
    boldButton("Button2", "Тевир Газлифтовый", 8, 8, 201, 49, 13, 0),
    boldButton("Button3", "Выход", 936, 8, 75, 25, 19, 1),
    boldButton("Button4", "Сброс", 8, 127, 75, 25, 11, 4, CaptionColour::pureRed),

    labeledEdit("LabeledEdit1", kFields[0].caption, 224, 24, 14),
    labeledEdit("LabeledEdit2", kFields[1].caption, 224, 64, 15),
    labeledEdit("LabeledEdit3", kFields[2].caption, 224, 112, 16),
    labeledEdit("LabeledEdit4", kFields[3].caption, 224, 152, 17),
    labeledEdit("LabeledEdit5", kFields[4].caption, 456, 24, 18),
    labeledEdit("LabeledEdit6", kFields[5].caption, 456, 64, 19),
    labeledEdit("LabeledEdit7", kFields[6].caption, 456, 104, 22),
    labeledEdit("LabeledEdit8", kFields[7].caption, 456, 144, 20),

    pane("Text1", 8, 216, 21),
    labelAt("Label8", kPaneTitles[paneY1], 16, 184),
    pane("Text2", 216, 216, 2),
    labelAt("Label9", kPaneTitles[paneY2], 240, 192),
    pane("Text3", 408, 216, 3),
    labelAt("Label10", kPaneTitles[paneY3], 440, 192),
    pane("Text4", 8, 368, 7),
    labelAt("Label13", kPaneTitles[paneY4], 72, 344),
    pane("Text5", 208, 368, 8),
    labelAt("Label14", kPaneTitles[paneY5], 240, 344),
    pane("Text6", 408, 368, 9),
    labelAt("Label15", kPaneTitles[paneY6], 424, 344),
    pane("Text7", 624, 216, 5),
    labelAt("Label11", kPaneTitles[paneGB], 640, 192),
    pane("Text8", 600, 368, 10),
    labelAt("Label16", kPaneTitles[paneALFA], 624, 352),
    pane("Text9", 816, 216, 6),
    labelAt("Label12", kPaneTitles[paneWB], 848, 192),
    pane("Text10", 792, 368, 11),
    labelAt("Label17", kPaneTitles[paneALPE], 816, 352),
    pane("Text11", 136, 484, 12),
    labelAt("Label18", kPaneTitles[paneT], 8, 480),
    pane("Text12", 472, 476, 13),
    labelAt("Label19", kPaneTitles[paneP], 352, 480),

    labelAt("Label1", "Критерий оптимальности", 40, 64),
    labelAt("Label2", kCriterionY1.label, 704, 16),
    labelAt("Label3", kCriterionY2.label, 704, 32),
    labelAt("Label4", kCriterionY3.label, 704, 48),
    labelAt("Label5", kCriterionY4.label, 704, 64),
    labelAt("Label6", kCriterionY5.label, 704, 80),
};

constexpr WindowDescription kForm1Layout = {
    modelCaption(ModelKind::gaslift), QRect(117, 139, 1030, 632), QPalette::Button, 11, "Button2", kForm1Controls,
};

} // namespace

TForm1::TForm1(const RegionalSettings& settings) : ModelForm(kForm1Layout, settings, ModelKind::gaslift)
{
    setObjectName(QStringLiteral("Form1"));
    onClick(requireControl<QPushButton>(*this, "Button2"), this, &TForm1::Button2Click);
    calculateOnReturn(requireControl<QPushButton>(*this, "Button2"));
    onClick(requireControl<QPushButton>(*this, "Button3"), this, &TForm1::Button3Click);
    onClick(requireControl<QPushButton>(*this, "Button4"), this, &TForm1::Button4Click);
    guarded([this] { FormCreate(); });
}

void TForm1::Button2Click()
{
    calculateAndKeep([this](const ModelInputs& inputs) {
        ResultWriter out = resultWriter();
        runGasLift(state_, inputs, out);
    });
}

void TForm1::Button3Click() { close(); }

void TForm1::Button4Click()
{
    clearPanes();
    clearFields({1, 2, 3, 4, 5, 6, 8});
}

void TForm1::FormCreate() { state_.y3h = Single(0.0f); }

} // namespace kaskad::ui
