// Saving a model window's eight field texts as an input set, and filling
// the fields from one.
#pragma once

namespace kaskad::ui {

class ModelForm;

// Ctrl+S: asks for a file and writes the field texts as they stand.
void saveInputSet(ModelForm& form);
// Ctrl+O: asks for a file and puts its texts into the fields, without
// running them. A file that is not an input set of this window is reported
// and changes no field.
void openInputSet(ModelForm& form);

} // namespace kaskad::ui
