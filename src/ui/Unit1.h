// The gas-lift model window, Form1.
#pragma once

#include "model/gas_lift.h"
#include "ui/model_form.h"

namespace kaskad::ui {

class TForm1 : public ModelForm {
public:
    explicit TForm1(const RegionalSettings& settings);

    void Button2Click();          // the gas-lift calculation
    void Button3Click();          // closes the window
    void Button4Click() override; // the reset; LabeledEdit7 keeps its text
    void FormCreate();

    const GasLiftWindowState& gasLiftState() const { return state_; }

private:
    GasLiftWindowState state_{};
};

} // namespace kaskad::ui
