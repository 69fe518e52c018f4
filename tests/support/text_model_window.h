// A model window of plain strings, for the tests and benchmarks of the
// calculations: the fields' texts in, the panes' texts out.
#pragma once

#include "model/model_inputs.h"
#include "model/model_window.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace kaskad {

// A window made of plain strings, for tests and benchmarks.
class TextModelWindow : public ModelWindow {
public:
    // From 0, as the tests' tables list them: LabeledEdit1 and Text1 first.
    std::array<std::string, kFieldCount> fields;
    std::array<std::string, kPaneCount> panes;

    // The fields' texts, as a run reads them.
    FieldTexts texts() const
    {
        FieldTexts texts;
        std::copy(fields.begin(), fields.end(), texts.begin());
        return texts;
    }
    void appendResult(const StoredResult& result) override
    {
        std::string& paneText = panes.at(static_cast<std::size_t>(result.pane - 1));
        const std::string_view line = result.line();
        // Room for a run's worth of lines at once rather than doubling up to it.
        if (paneText.capacity() < paneText.size() + line.size())
            paneText.reserve(std::max<std::size_t>(2 * paneText.capacity(), 2048));
        (paneText += line) += "\r\n";
    }
};

} // namespace kaskad
