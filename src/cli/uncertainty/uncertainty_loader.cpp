// runUncertaintyStudy for kaskad-cli: the study's options as the module's
// plain structures, the module loaded on the first study.
#include "cli/uncertainty/uncertainty_study.h"

#include "cli/cli_errors.h"
#include "cli/module_loader.h"
#include "cli/uncertainty/uncertainty_module_abi.h"

namespace kaskad::cli {
namespace {

// Loaded on the first study and kept to the end of the process. A failed
// load is tried again next time.
KaskadRunUncertainty entryPoint()
{
    static const auto entry = reinterpret_cast<KaskadRunUncertainty>(
        moduleEntryPoints(kKaskadUncertaintyModuleFile, {kKaskadRunUncertaintySymbol}, "uncertainty module").front());
    return entry;
}

std::vector<const char*> pointersTo(const auto& texts)
{
    std::vector<const char*> pointers;
    pointers.reserve(texts.size());
    for (const std::string& text : texts)
        pointers.push_back(text.c_str());
    return pointers;
}

// What the module calls back with.
struct Callbacks {
    const UncertaintyProgress& progress;
    const std::stop_token& stop;

    static void reportProgress(void* context, std::size_t done, std::size_t total)
    {
        const Callbacks& callbacks = *static_cast<const Callbacks*>(context);
        if (callbacks.progress)
            callbacks.progress(done, total);
    }
    static int stopRequested(void* context) { return static_cast<const Callbacks*>(context)->stop.stop_requested(); }
};

} // namespace

UncertaintyReport runUncertaintyStudy(const UncertaintyStudy& study, const UncertaintyProgress& progress,
                                      const std::stop_token& stop)
{
    const KaskadRunUncertainty run = entryPoint();
    const std::vector<const char*> fields = pointersTo(study.fields);
    const std::vector<const char*> quantities = pointersTo(study.quantities);
    const std::string model(modelName(study.model));
    Callbacks callbacks{progress, stop};
    const KaskadUncertaintyRequest request{model.c_str(),
                                           fields.data(),
                                           fields.size(),
                                           study.separator.c_str(),
                                           study.samples,
                                           study.seed,
                                           study.method.c_str(),
                                           study.jobs,
                                           study.indices ? 1 : 0,
                                           study.rare ? 1 : 0,
                                           quantities.data(),
                                           quantities.size(),
                                           study.json ? 1 : 0,
                                           study.samplesPath.empty() ? nullptr : study.samplesPath.c_str(),
                                           &callbacks,
                                           &Callbacks::reportProgress,
                                           &Callbacks::stopRequested};
    KaskadUncertaintyAnswer answer{};
    run(&request, &answer);
    switch (answer.status) {
    case kaskadUncertaintyDone:
        return {std::string(answer.report, answer.reportSize), answer.stopped != 0};
    case kaskadUncertaintyUsage:
        throw UsageError(answer.message);
    case kaskadUncertaintyOutput:
        throw OutputError(answer.message);
    case kaskadUncertaintyFailed:
        break;
    }
    throw UncertaintyFailed(answer.message ? answer.message : "the uncertainty study failed");
}

} // namespace kaskad::cli
