// A run kept as values: per reactor the stored values by pane, and the error
// that ended the run. Every front end forms its text from these values with
// the one number formatter.
#pragma once

#include "model/design.h"
#include "model/quantities.h"
#include "numeric/errors.h"

#include <array>
#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kaskad {

// The values one reactor stored, by pane. A reactor that a fault ended holds
// only those stored before it.
class ReactorResult {
public:
    ReactorResult() = default;
    explicit ReactorResult(std::int32_t reactor) : reactor_(reactor) {}

    std::int32_t reactor() const { return reactor_; }
    bool has(Pane pane) const { return stored_ & bit(pane); }
    // The stored single or double, widened exactly; only for a pane it has.
    double value(Pane pane) const { return values_[pane]; }
    // Whether it stored all twelve.
    bool complete() const { return stored_ == (1u << kPaneCount) - 1; }

    void store(Pane pane, double value)
    {
        values_[pane] = value;
        stored_ |= bit(pane);
    }

    // The value as its pane prints it.
    std::string text(Pane pane, DecimalSeparator separator) const;

private:
    static std::uint16_t bit(Pane pane) { return static_cast<std::uint16_t>(1u << (pane - 1)); }

    std::int32_t reactor_ = 0;
    std::uint16_t stored_ = 0;
    PaneArray<double> values_{};
};

// The error that ended a run.
struct RunError {
    std::string kind;         // "EZeroDivide", ...
    std::string message;      // as the report shows it, with its closing "."
    std::int32_t reactor = 0; // the reactor being computed; 0 while reading the fields
    int lastPane = 0;         // the last pane that reactor stored, 0 when none
};

// What a run was made from: the field texts as typed, where it was given
// texts, and the values its fields stored (none when reading them failed).
struct RunInputs {
    std::optional<FieldTexts> texts;
    ModelInputs values;
    bool stored = false; // whether the values are there: reading them did not fail
};

struct RunRecord {
    ModelKind model = ModelKind::bubble;
    RunInputs inputs;
    std::vector<ReactorResult> reactors;
    std::optional<RunError> error;

    bool ok() const { return !error; }
    // The field texts the run was made from; empty texts for a run made from
    // values alone.
    const FieldTexts& texts() const;
    // The pane's text as the window shows it after this run alone, each
    // line ended by lineEnd (the window's CR LF unless another is given).
    std::string paneText(Pane pane, DecimalSeparator separator, std::string_view lineEnd = "\r\n") const;
};

// A run seen without copying it: its model, its inputs, its reactors or the
// first few of them, and the error that ended it there. It refers to a run
// that must outlive it. A view of the first reactors of a longer run has no
// inputs: those of the longer run have another N.
struct RunView {
    ModelKind model = ModelKind::bubble;
    const RunInputs* inputs = nullptr;
    std::span<const ReactorResult> reactors;
    const RunError* error = nullptr;

    RunView() = default;
    // Every run is a view of itself.
    RunView(const RunRecord& run)
        : model(run.model), inputs(&run.inputs), reactors(run.reactors), error(run.error ? &*run.error : nullptr)
    {}
};

// A run of its own with what a view shows.
RunRecord ownedRun(RunView run);

// Keeps a run as it is stored: a window that records forwards to it.
class RunRecorder {
public:
    explicit RunRecorder(RunRecord& record) : record_(record) {}

    void beginReactor(std::int32_t reactor) { current_ = reactor; }
    // Inline: a run stores twelve values a reactor, each through here.
    void store(const StoredResult& result)
    {
        if (!storing_ || storing_->reactor() != result.reactor)
            storing_ = &startReactor(result.reactor);
        storing_->store(result.pane, result.value);
        lastPane_ = result.pane;
    }
    // Records the error that ended the run.
    void fail(const Exception& error);

private:
    // The reactor's entry, made at its first stored value.
    ReactorResult& startReactor(std::int32_t reactor);

    RunRecord& record_;
    ReactorResult* storing_ = nullptr; // the entry of the reactor storing now
    std::int32_t current_ = 0;
    int lastPane_ = 0;
};

// Runs a model on the field texts and records it with them. A failure of
// the run is recorded, with everything stored before it; it is not thrown.
RunRecord runRecorded(ModelKind model, const FieldTexts& fields, DecimalSeparator separator);
// The same on inputs already stored, as a search makes them.
RunRecord runRecorded(ModelKind model, const ModelInputs& inputs);

// The run of `inputs` once `vary` has stored a study's values in them. A
// value its field cannot store fails the run, as a fault of the run does.
template <std::invocable<ModelInputs&> Vary>
RunRecord runRecordedVaried(ModelKind model, ModelInputs inputs, const Vary& vary)
{
    try {
        vary(inputs);
    } catch (const Exception& error) {
        RunRecord failed;
        failed.model = model;
        RunRecorder(failed).fail(error);
        return failed;
    }
    return runRecorded(model, inputs);
}

} // namespace kaskad
