// A run kept as values: its text equals the window's panes, and a failure
// keeps exactly what was stored before it, with where it happened.
#include "model/run_record.h"

#include "model_test_support.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace kaskad {
namespace {

using test_support::kBubbleExampleFields;
using test_support::kGasLiftExampleFields;

template <class Fields>
FieldTexts fieldTexts(const Fields& fields)
{
    FieldTexts texts;
    std::copy(fields.begin(), fields.end(), texts.begin());
    return texts;
}

// The same texts through a window that shows lines.
TextModelWindow shownRun(ModelKind model, const FieldTexts& fields, DecimalSeparator separator)
{
    TextModelWindow window;
    window.fields = fields;
    try {
        runModel(model, window.texts(), window, separator);
    } catch (const Exception&) {}
    return window;
}

struct RecordCase {
    const char* name;
    ModelKind model;
    FieldTexts fields;
    char separator;
    std::size_t reactors;
    const char* errorKind; // "" when the run succeeds
    std::int32_t errorReactor;
    int lastPane;
};

class RunRecordOf : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RunRecordOf, PrintsThePanesAndKeepsWhereItFailed)
{
    const RecordCase& c = GetParam();
    const RunRecord record = runRecorded(c.model, c.fields, c.separator);
    const TextModelWindow shown = shownRun(c.model, c.fields, c.separator);
    for (int p = 1; p <= kPaneCount; ++p)
        EXPECT_EQ(record.paneText(Pane(p), c.separator), shown.panes[p - 1]) << "Text" << p;

    EXPECT_EQ(record.reactors.size(), c.reactors);
    for (std::size_t r = 0; r < record.reactors.size(); ++r)
        EXPECT_EQ(record.reactors[r].reactor(), std::int32_t(r + 1));
    ASSERT_EQ(record.ok(), std::string_view(c.errorKind).empty());
    if (!record.ok()) {
        EXPECT_EQ(record.error->kind, c.errorKind);
        EXPECT_EQ(record.error->reactor, c.errorReactor);
        EXPECT_EQ(record.error->lastPane, c.lastPane);
    }
}

const RecordCase kRecordCases[] = {
    {"BubbleWorkedExample", ModelKind::bubble, fieldTexts(kBubbleExampleFields), '.', 3, "", 0, 0},
    {"BubbleWorkedExampleWithComma",
     ModelKind::bubble,
     {"3", "3", "2,5", "0,05", "433", "2", "3", "3600"},
     ',',
     3,
     "",
     0,
     0},
    {"GasLiftWorkedExample", ModelKind::gaslift, fieldTexts(kGasLiftExampleFields), '.', 3, "", 0, 0},
    {"FieldTextRejected",
     ModelKind::gaslift,
     {"3", "3", "2", "0.05", "4x", "2", "", "3600"},
     '.',
     0,
     "EConvertError",
     0,
     0},
    {"FaultBeforeTheFirstLine",
     ModelKind::bubble,
     {"3", "3", "2.5", "0", "433", "2", "3", "3600"},
     '.',
     0,
     "EZeroDivide",
     1,
     0},
    {"FaultAtReactorTwentyFive",
     ModelKind::bubble,
     {"30", "3", "2.5", "0.05", "433", "2", "3", "3600"},
     '.',
     24,
     "EInvalidOp",
     25,
     0},
    // wg < 0 and the viscosity negative above 23,500 K: the heat transfer
    // takes a root of a negative number after the composition is stored.
    {"FaultAfterTheComposition",
     ModelKind::bubble,
     {"2", "3", "2.5", "-0.05", "24000", "2", "3", "3600"},
     '.',
     1,
     "EInvalidOp",
     1,
     paneY6},
};

INSTANTIATE_TEST_SUITE_P(Model, RunRecordOf, ::testing::ValuesIn(kRecordCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunRecord, AReactorAFaultEndedHoldsOnlyItsComposition)
{
    const RunRecord record = runRecorded(ModelKind::bubble, {"2", "3", "2.5", "-0.05", "24000", "2", "3", "3600"}, '.');
    ASSERT_EQ(record.reactors.size(), 1u);
    const ReactorResult& reactor = record.reactors[0];
    EXPECT_FALSE(reactor.complete());
    for (Pane pane : kStoreOrder)
        EXPECT_EQ(reactor.has(pane), pane <= paneY6) << quantityName(pane);
    EXPECT_EQ(reactor.text(paneY1, '.'), "5.79258108139038");
    EXPECT_EQ(reactor.text(paneY6, ','), "-3,19276690483093");
    EXPECT_EQ(record.error->message, "Invalid floating point operation.");
}

// A value is the stored width exactly: the text of its single or double.
TEST(RunRecord, ValuesAreTheStoredWidths)
{
    const RunRecord record = runRecorded(ModelKind::bubble, fieldTexts(kBubbleExampleFields), '.');
    const ReactorResult& first = record.reactors.at(0);
    EXPECT_TRUE(first.complete());
    EXPECT_EQ(static_cast<double>(static_cast<float>(first.value(paneY1))), first.value(paneY1));
    EXPECT_EQ(first.text(paneY1, '.'), "1.55393481254578");
    EXPECT_EQ(first.text(paneP, '.'), "5.75");
}

// A window calculates again after an error as after a success: the lines
// before the fault stay, and the new run prints what a fresh window prints.
TEST(RunRecord, AWindowCalculatesAgainAfterAnError)
{
    const std::pair<ModelKind, FieldTexts> failures[] = {
        {ModelKind::bubble, {"2", "3", "2.5", "-0.05", "24000", "2", "3", "3600"}},
        {ModelKind::bubble, {"3", "3", "2.5", "0.05", "1e-30", "2", "3", "3600"}},
        {ModelKind::gaslift, {"30", "3", "2", "0.05", "450", "2", "", "3600"}},
        {ModelKind::gaslift, {"3", "3", "2", "0", "450", "2", "", "3600"}},
    };
    for (const auto& [model, failing] : failures) {
        const FieldTexts example =
            fieldTexts(model == ModelKind::bubble ? kBubbleExampleFields : kGasLiftExampleFields);
        TextModelWindow window = shownRun(model, failing, '.');
        const std::array<std::string, kPaneCount> beforeRetry = window.panes;
        window.fields = example;
        runModel(model, window.texts(), window, '.');
        const TextModelWindow fresh = shownRun(model, example, '.');
        for (int p = 0; p < kPaneCount; ++p)
            EXPECT_EQ(window.panes[p], beforeRetry[p] + fresh.panes[p]) << failing[fieldT] << ", Text" << p + 1;
    }
}

// The panes of each run, made in turn on a thread of its own.
std::vector<std::array<std::string, kPaneCount>> panesOnANewThread(ModelKind model, const std::vector<FieldTexts>& runs)
{
    std::vector<std::array<std::string, kPaneCount>> panes;
    std::thread([&] {
        for (const FieldTexts& fields : runs)
            panes.push_back(shownRun(model, fields, '.').panes);
    }).join();
    return panes;
}

// The terms a thread keeps per temperature and air velocity change no digit:
// runs through some 600 temperatures and two air velocities, one run twice in
// a row, print the same whichever order a thread makes them in, each with
// what the runs before it kept.
TEST(RunRecord, TermsKeptPerThreadChangeNoDigit)
{
    for (const ModelKind model : {ModelKind::bubble, ModelKind::gaslift}) {
        const FieldTexts example =
            fieldTexts(model == ModelKind::bubble ? kBubbleExampleFields : kGasLiftExampleFields);
        std::vector<FieldTexts> runs = {example, example};
        for (int t = 400; t < 500; ++t) {
            runs.push_back(example);
            runs.back()[fieldT] = std::to_string(t) + ".5";
            runs.back()[fieldDtr] = "0.25";
            runs.back()[fieldWg] = t % 3 == 0 ? "0.04" : "0.05";
        }
        const auto forwards = panesOnANewThread(model, runs);
        std::reverse(runs.begin(), runs.end());
        auto backwards = panesOnANewThread(model, runs);
        std::reverse(backwards.begin(), backwards.end());
        EXPECT_EQ(forwards, backwards) << modelName(model);
    }
}

// Each design reads its fields at the widths its description gives: N as
// a count, d as a double, the others as singles, the gas-lift db not at all.
TEST(ModelInputs, EachFieldIsStoredAtItsWidth)
{
    const FieldTexts texts = {"2.5", "0.1", "0.1", "0.1", "0.1", "0.1", "0.1", "0.1"};
    for (const ModelKind model : kModelKinds) {
        EXPECT_EQ(modelNamed(modelName(model)), model);
        const ModelInputs inputs = readModelInputs(model, texts, '.');
        for (const FieldDescription& field : modelFields(model)) {
            const double expected = field.storage == FieldStorage::count    ? 2.0
                                    : field.storage == FieldStorage::single ? double(0.1f)
                                    : field.storage == FieldStorage::wide   ? 0.1
                                                                            : 0.0;
            EXPECT_EQ(inputs.values[field.field], expected) << modelName(model) << " " << field.name;
        }
    }
    FieldTexts gasLift = texts;
    gasLift[fieldDiameter] = "not a number";
    EXPECT_NO_THROW(readModelInputs(ModelKind::gaslift, gasLift, '.'));
    EXPECT_THROW(readModelInputs(ModelKind::bubble, gasLift, '.'), EConvertError);
}

// A run made from stored values is the run of texts that read as them, and
// carries its inputs: the texts where it had texts.
TEST(ModelInputs, ARunOfValuesIsTheRunOfItsTexts)
{
    for (const ModelKind model : kModelKinds) {
        const FieldTexts texts = fieldTexts(model == ModelKind::bubble ? kBubbleExampleFields : kGasLiftExampleFields);
        const RunRecord ofTexts = runRecorded(model, texts, '.');
        const RunRecord ofValues = runRecorded(model, ofTexts.inputs.values);
        ASSERT_EQ(ofTexts.inputs.texts, texts);
        EXPECT_EQ(ofValues.inputs.texts, std::nullopt);
        for (const Pane pane : kStoreOrder)
            EXPECT_EQ(ofValues.paneText(pane, '.'), ofTexts.paneText(pane, '.')) << quantityName(pane);
    }
}

} // namespace
} // namespace kaskad
