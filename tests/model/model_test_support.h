// Running a model on plain field texts and reading its panes back.
#pragma once

#include "model/bubble_column.h"
#include "model/design.h"
#include "model/gas_lift.h"
#include "numeric/errors.h"
#include "text_model_window.h"
#include "worked_examples.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kaskad::test_support {

// The pane text of consecutive reactor lines 1..n.
template <class Values>
std::string paneLines(std::string_view word, const Values& values)
{
    std::string text;
    int reactor = 0;
    for (const auto& value : values)
        text += std::string(word) + std::to_string(++reactor) + "   " + std::string(value) + "\r\n";
    return text;
}
inline std::string paneLines(std::string_view word, const std::vector<std::string>& values)
{
    return paneLines<std::vector<std::string>>(word, values);
}

// The values of a pane's lines, in order.
inline std::vector<std::string> paneValues(const std::string& pane)
{
    std::vector<std::string> values;
    std::size_t at = 0;
    while (at < pane.size()) {
        const std::size_t end = pane.find("\r\n", at);
        const std::string line = pane.substr(at, end - at);
        values.push_back(line.substr(line.find("   ") + 3));
        at = end + 2;
    }
    return values;
}

inline std::size_t lineCount(const std::string& pane) { return paneValues(pane).size(); }

// The report text of the error a run raises, or "" when it succeeds.
inline std::string reportOfRun(const std::function<void()>& run)
{
    try {
        run();
    } catch (const Exception& e) {
        return reportText(e);
    }
    return {};
}

// A run that must fail: its field texts, the report it raises and how many
// reactors are complete in all twelve panes before the failure.
struct FailureCase {
    const char* name;
    std::array<const char*, kFieldCount> fields;
    const char* report;
    std::size_t reactorsComplete;
};

inline void expectFailures(std::span<const FailureCase> cases, const std::function<std::string(TextModelWindow&)>& run)
{
    for (const auto& c : cases) {
        TextModelWindow window;
        for (int f = 0; f < kFieldCount; ++f)
            window.fields[f] = c.fields[f];
        EXPECT_EQ(run(window), c.report) << c.name;
        for (int p = 0; p < kPaneCount; ++p)
            EXPECT_EQ(lineCount(window.panes[p]), c.reactorsComplete) << c.name << ", Text" << p + 1;
    }
}

} // namespace kaskad::test_support
