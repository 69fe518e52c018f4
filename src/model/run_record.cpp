// Recording a run's stored values, and forming text from them.
#include "model/run_record.h"

#include "model/bubble_column.h"
#include "model/gas_lift.h"

namespace kaskad {

namespace {

// A window on fixed field texts that records what the run stores.
class RecordingWindow : public ModelWindow {
public:
    RecordingWindow(const FieldTexts& fields, RunRecorder& recorder) : fields_(fields), recorder_(recorder) {}

    std::string fieldText(int field) const override { return fields_[Field(field)]; }
    void beginReactor(std::int32_t reactor) override { recorder_.beginReactor(reactor); }
    void appendResult(const StoredResult& result) override { recorder_.store(result); }

private:
    const FieldTexts& fields_;
    RunRecorder& recorder_;
};

} // namespace

std::string ReactorResult::text(Pane pane, DecimalSeparator separator) const
{
    char buffer[kNumberTextCapacity];
    return {buffer, writeNumberText(buffer, value(pane), separator)};
}

std::string RunRecord::paneText(Pane pane, DecimalSeparator separator) const
{
    std::string text;
    const std::string_view word = resultWord(model);
    std::string line(word.size() + kResultLineCapacityBeyondWord, '\0');
    for (const ReactorResult& reactor : reactors) {
        if (!reactor.has(pane))
            continue;
        char* end = writeResultLinePrefix(line.data(), word, reactor.reactor());
        end = writeResultLineValue(end, reactor.value(pane), separator);
        text.append(line.data(), end);
    }
    return text;
}

RunRecord ownedRun(RunView run)
{
    RunRecord owned;
    owned.model = run.model;
    owned.reactors.assign(run.reactors.begin(), run.reactors.end());
    if (run.error)
        owned.error = *run.error;
    return owned;
}

void RunRecorder::store(const StoredResult& result)
{
    std::vector<ReactorResult>& reactors = record_.reactors;
    if (reactors.empty() || reactors.back().reactor() != result.reactor) {
        if (reactors.empty())
            reactors.reserve(32);
        reactors.emplace_back(result.reactor);
    }
    reactors.back().store(result.pane, result.value);
    lastPane_ = result.pane;
}

void RunRecorder::fail(const Exception& error)
{
    const bool storedInCurrent = !record_.reactors.empty() && record_.reactors.back().reactor() == current_;
    record_.error = RunError{error.kindName(), reportText(error), current_, storedInCurrent ? lastPane_ : 0};
}

void runModel(ModelKind model, ModelWindow& window, DecimalSeparator separator)
{
    if (model == ModelKind::bubble) {
        runBubbleColumn(window, separator);
    } else {
        // The state a freshly created gas-lift window holds.
        const GasLiftWindowState windowState{Single(0.0f)};
        runGasLift(windowState, window, separator);
    }
}

RunRecord runRecorded(ModelKind model, const FieldTexts& fields, DecimalSeparator separator)
{
    RunRecord record;
    record.model = model;
    RunRecorder recorder(record);
    RecordingWindow window(fields, recorder);
    try {
        runModel(model, window, separator);
    } catch (const Exception& error) {
        recorder.fail(error);
    }
    return record;
}

} // namespace kaskad
