// Recording a run's stored values, and forming text from them.
#include "model/run_record.h"

namespace kaskad {

namespace {

// A window that records what the run stores.
class RecordingWindow : public ModelWindow {
public:
    explicit RecordingWindow(RunRecorder& recorder) : recorder_(recorder) {}

    void beginReactor(std::int32_t reactor) override { recorder_.beginReactor(reactor); }
    void appendResult(const StoredResult& result) override { recorder_.store(result); }

private:
    RunRecorder& recorder_;
};

// Runs `run` on a recording window; its error is recorded, not thrown.
template <class Run>
RunRecord recorded(ModelKind model, RunInputs inputs, const Run& run)
{
    RunRecord record;
    record.model = model;
    record.inputs = std::move(inputs);
    RunRecorder recorder(record);
    RecordingWindow window(recorder);
    try {
        run(record.inputs, window);
    } catch (const Exception& error) {
        recorder.fail(error);
    }
    return record;
}

} // namespace

std::string ReactorResult::text(Pane pane, DecimalSeparator separator) const
{
    char buffer[kNumberTextCapacity];
    return {buffer, writeNumberText(buffer, value(pane), separator)};
}

const FieldTexts& RunRecord::texts() const
{
    static const FieldTexts kNone{};
    return inputs.texts ? *inputs.texts : kNone;
}

std::string RunRecord::paneText(Pane pane, DecimalSeparator separator, std::string_view lineEnd) const
{
    std::string text;
    const std::string_view word = resultWord(model);
    std::string line(word.size() + kResultLineCapacityBeyondWord, '\0');
    for (const ReactorResult& reactor : reactors) {
        if (!reactor.has(pane))
            continue;
        char* end = writeResultLinePrefix(line.data(), word, reactor.reactor());
        end = writeResultLineValue(end, reactor.value(pane), separator);
        text.append(line.data(), end).append(lineEnd);
    }
    return text;
}

RunRecord ownedRun(RunView run)
{
    RunRecord owned;
    owned.model = run.model;
    if (run.inputs)
        owned.inputs = *run.inputs;
    owned.reactors.assign(run.reactors.begin(), run.reactors.end());
    if (run.error)
        owned.error = *run.error;
    return owned;
}

ReactorResult& RunRecorder::startReactor(std::int32_t reactor)
{
    std::vector<ReactorResult>& reactors = record_.reactors;
    if (reactors.empty())
        reactors.reserve(32);
    return reactors.emplace_back(reactor);
}

void RunRecorder::fail(const Exception& error)
{
    const bool storedInCurrent = !record_.reactors.empty() && record_.reactors.back().reactor() == current_;
    record_.error = RunError{error.kindName(), reportText(error), current_, storedInCurrent ? lastPane_ : 0};
}

RunRecord runRecorded(ModelKind model, const FieldTexts& fields, DecimalSeparator separator)
{
    return recorded(model, RunInputs{fields, {}, false}, [&](RunInputs& inputs, ModelWindow& window) {
        inputs.values = readModelInputs(model, fields, separator);
        inputs.stored = true;
        runModel(model, inputs.values, window, separator);
    });
}

RunRecord runRecorded(ModelKind model, const ModelInputs& inputs)
{
    return recorded(model, RunInputs{std::nullopt, inputs, true},
                    [&](const RunInputs& stored, ModelWindow& window) { runModel(model, stored.values, window, '.'); });
}

} // namespace kaskad
