// Runs of both models that the formats tests keep in a table: the worked
// examples, and runs that fail at each place a run can fail.
#pragma once

#include "formats/results_table.h"
#include "worked_examples.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kaskad::test_support {

template <class Texts>
FieldTexts fieldTextsOf(const Texts& texts)
{
    FieldTexts fields;
    std::copy(texts.begin(), texts.end(), fields.begin());
    return fields;
}

inline const FieldTexts kBubbleExample = fieldTextsOf(kBubbleExampleFields);
inline const FieldTexts kGasLiftExample = fieldTextsOf(kGasLiftExampleFields);
// Reactors 1..24 complete, reactor 25 fails before it stores anything.
inline const FieldTexts kFaultAtReactor25 = {"30", "3", "2.5", "0.05", "433", "2", "3", "3600"};
// No air: reactor 1 divides by zero before it stores anything.
inline const FieldTexts kFaultBeforeTheFirstValue = {"3", "3", "2.5", "0", "433", "2", "3", "3600"};
// t is no number: the run ends while reading the fields.
inline const FieldTexts kFieldRejected = {"3", "3", "2.5", "0.05", "4x", "2", "3", "3600"};
// Reactor 1 stores its composition, then takes a root of a negative number.
inline const FieldTexts kFaultAfterTheComposition = {"2", "3", "2.5", "-0.05", "24000", "2", "3", "3600"};

// The pane's worked-example text of reactor 1..3 with another separator.
inline std::string withSeparator(std::string text, char separator)
{
    std::replace(text.begin(), text.end(), '.', separator);
    return text;
}

// A window's runs, each with the field texts it read, and the table over them.
struct RunsAndTable {
    explicit RunsAndTable(ModelKind model = ModelKind::bubble) : table(model, runs) {}

    std::vector<RunRecord> runs;
    formats::ResultsTable table;

    void add(ModelKind model, const FieldTexts& texts)
    {
        runs.push_back(runRecorded(model, texts, '.'));
        table.takeNewRuns();
    }
};

} // namespace kaskad::test_support
