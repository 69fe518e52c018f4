// The bubble-column model window, Form3.
#pragma once

#include "ui/model_form.h"

namespace kaskad::ui {

class TForm3 : public ModelForm {
public:
    explicit TForm3(const RegionalSettings& settings);

    void Button1Click();          // the bubble-column calculation
    void Button2Click();          // closes the window
    void Button4Click() override; // the reset of all panes and fields
};

} // namespace kaskad::ui
