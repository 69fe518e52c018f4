// kaskad-cli's uncertainty module, loaded with dlopen by "uncertainty": the
// study with OpenTURNS, its report and its samples file, behind one C entry.
#include "cli/cli_errors.h"
#include "cli/uncertainty/uncertainty_module_abi.h"
#include "formats/sweep_output.h"
#include "formats/uncertainty_output.h"
#include "formats/whole_file.h"
#include "study/study_error.h"
#include "uncertainty/uncertainty.h"

#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace kaskad::cli {
namespace {

// The study's texts, read from the request.
struct Study {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields;
    DecimalSeparator separator = '.';
};

Study studyOf(const KaskadUncertaintyRequest& request)
{
    Study study;
    const std::optional<ModelKind> model = modelNamed(request.model);
    const std::optional<DecimalSeparator> separator = DecimalSeparator::fromText(request.separator);
    if (!model || !separator || request.fieldCount != kFieldCount)
        throw std::runtime_error("the uncertainty module was handed a request it cannot read");
    study.model = *model;
    study.separator = *separator;
    for (std::size_t k = 0; k < kFieldCount; ++k)
        study.fields.data()[k] = request.fieldTexts[k];
    return study;
}

std::vector<Pane> quantitiesOf(const KaskadUncertaintyRequest& request)
{
    std::vector<Pane> panes;
    for (std::size_t k = 0; k < request.quantityCount; ++k) {
        const std::optional<Pane> pane = quantityNamed(request.quantities[k]);
        if (!pane)
            throw study::StudyError(std::string("--quantity: no outlet quantity is named ") + request.quantities[k]);
        panes.push_back(*pane);
    }
    return panes;
}

// The samples' CSV rows, streamed into a file that is renamed into place once
// whole; a failure to write is an OutputError naming the file.
class SamplesFile {
public:
    SamplesFile(const std::string& path, ModelKind model) : path_(path), rows_(model)
    {
        guarded([&] { file_.emplace(path); });
        text_ = rows_.header();
    }

    void add(std::size_t index, const FieldTexts& fields, const RunRecord& run)
    {
        rows_.appendPoint(text_, index, fields, run);
        if (text_.size() >= kPiece)
            flush();
    }

    void finish()
    {
        flush();
        guarded([&] { file_->finish(); });
    }

private:
    static constexpr std::size_t kPiece = 1 << 16;

    void flush()
    {
        guarded([&] { file_->append(text_); });
        text_.clear();
    }

    template <class Write>
    void guarded(Write write)
    {
        try {
            write();
        } catch (const std::runtime_error& error) {
            throw OutputError("cannot write the samples to " + path_ + ": " + error.what());
        }
    }

    std::string path_;
    formats::OutletCsvRows rows_;
    std::optional<formats::FileInPieces> file_;
    std::string text_;
};

// The stop asked through the request, turned into the study's stop token at
// each progress report (after every run delivered, and every 100 ms).
study::UncertaintySettings settingsOf(const KaskadUncertaintyRequest& request, std::stop_source& stop,
                                      std::size_t fieldCount)
{
    study::UncertaintySettings settings;
    settings.samples = request.samples;
    settings.seed = request.seed;
    const std::optional<study::SamplingMethod> method = study::samplingMethodNamed(request.method);
    if (!method)
        throw study::StudyError(std::string("--method: no sampling method is named ") + request.method);
    settings.method = *method;
    settings.jobs = request.jobs;
    settings.indices = request.indices != 0;
    settings.rare = request.rare != 0;
    settings.quantities = quantitiesOf(request);
    settings.stop = stop.get_token();
    const std::size_t total = request.samples * (settings.indices ? fieldCount + 3 : 1);
    settings.progress = [&request, &stop, total](std::size_t done) {
        // The rare-event runs come after those planned, as many as they need.
        if (request.progress)
            request.progress(request.context, std::min(done, total), total);
        if (request.stopRequested && request.stopRequested(request.context))
            stop.request_stop();
    };
    return settings;
}

// Runs the study; the report as the request asks for it.
std::string report(const KaskadUncertaintyRequest& request, bool& stopped)
{
    const Study study = studyOf(request);
    const study::UncertainSpace space(study.model, study.fields, study.separator);
    std::stop_source stop;
    study::UncertaintySettings settings = settingsOf(request, stop, space.uncertain().size());
    std::optional<SamplesFile> samples;
    if (request.samplesPath) {
        samples.emplace(request.samplesPath, study.model);
        settings.sampleSink = [&](std::size_t index, std::span<const long double> values, const RunRecord& run) {
            samples->add(index, space.sampleTexts(values), run);
        };
    }
    const study::UncertaintyResult result = study::runUncertainty(space, settings);
    if (samples)
        samples->finish();
    stopped = result.stopped;
    std::ostringstream out;
    formats::writeUncertaintyResult(
        out, {study.model, space.nominal().reactors(), settings.method, settings.samples, settings.seed}, result,
        request.json ? formats::OutputFormat::json : formats::OutputFormat::text);
    return out.str();
}

// The texts handed back, kept until this thread's next call.
struct Kept {
    std::string message;
    std::string report;
};

Kept& kept()
{
    thread_local Kept texts;
    return texts;
}

void fail(KaskadUncertaintyAnswer& answer, KaskadUncertaintyStatus status, const char* message) noexcept
{
    answer.status = status;
    try {
        kept().message = message;
        answer.message = kept().message.c_str();
    } catch (...) {
        answer.message = "out of memory while reporting a failure of the uncertainty study";
    }
}

} // namespace
} // namespace kaskad::cli

extern "C" __attribute__((visibility("default"))) void kaskad_run_uncertainty_v1(
    const KaskadUncertaintyRequest* request, KaskadUncertaintyAnswer* answer) noexcept
{
    using namespace kaskad::cli;
    *answer = KaskadUncertaintyAnswer{kaskadUncertaintyDone, nullptr, nullptr, 0, 0};
    try {
        bool stopped = false;
        kept().report = report(*request, stopped);
        answer->report = kept().report.data();
        answer->reportSize = kept().report.size();
        answer->stopped = stopped ? 1 : 0;
    } catch (const kaskad::study::StudyError& error) {
        fail(*answer, kaskadUncertaintyUsage, error.what());
    } catch (const OutputError& error) {
        fail(*answer, kaskadUncertaintyOutput, error.what());
    } catch (const std::exception& error) {
        fail(*answer, kaskadUncertaintyFailed, error.what());
    } catch (...) {
        fail(*answer, kaskadUncertaintyFailed, "the uncertainty study failed: unknown failure");
    }
}

// The loader looks the entry point up by name and calls it as this type.
static_assert(std::is_same_v<decltype(&kaskad_run_uncertainty_v1), KaskadRunUncertainty>);
