// The uncertainty study on the command line: options, progress, the stop by
// a signal and the exit statuses; the study runs in the uncertainty module.
#include "cli/uncertainty_command.h"

#include "cli/cli_errors.h"
#include "cli/commands.h"
#include "cli/design_examples.h"
#include "cli/output_formats.h"
#include "cli/output_stream.h"
#include "cli/progress.h"
#include "cli/uncertainty/uncertainty_study.h"
#include "numeric/utf8.h"
#include "uncertainty/uncertainty.h"

#include <iostream>
#include <limits>
#include <optional>
#include <thread>

namespace kaskad::cli {

namespace {

struct UncertaintyOptions {
    UncertaintyStudy study;
    formats::OutputFormat format{}; // its default set with the --format option
};

void addFieldOptions(CLI::App& command, UncertaintyOptions& options)
{
    for (const FieldDescription& f : modelFields(options.study.model)) {
        CLI::Option* option =
            command.add_option(fieldOption(f.name), options.study.fields[f.field], std::string(f.help));
        option->type_name(f.converted() && f.field != fieldN ? "TEXT|DISTRIBUTION" : "TEXT");
        if (f.converted())
            option->required();
    }
}

void addStudyOptions(CLI::App& command, UncertaintyStudy& study)
{
    command.add_option("--samples", study.samples, "runs of the sample (default 10000)")
        ->type_name("K")
        ->check(wholeNumberIn(1, 100'000'000));
    command.add_option("--seed", study.seed, "seed of the draws (default 1): the same seed, the same output")
        ->type_name("S")
        ->check(wholeNumberIn(0, std::numeric_limits<std::uint64_t>::max()));
    std::vector<std::string> methods(study::kSamplingMethodNames.begin(), study::kSamplingMethodNames.end());
    command
        .add_option("--method", study.method,
                    "sampling: mc (Monte Carlo), lhs (Latin hypercube, the default) or sobol (Sobol' sequence)")
        ->type_name("METHOD")
        ->check(CLI::IsMember(methods));
    command
        .add_option("--quantity", study.quantities,
                    "also summarise this outlet quantity (" + quantityNamesText(", ") + "); repeatable")
        ->type_name("Q")
        ->check([](const std::string& name) {
            return quantityNamed(name) ? std::string() : "no outlet quantity is named '" + name + "'";
        });
    command.add_flag("--indices", study.indices,
                     "first-order and total Sobol' indices of the margin and the quantities, from "
                     "samples * (fields + 2) more runs");
    command.add_flag("--rare", study.rare,
                     "the probability of missing the criterion by FORM and by subset sampling, with the design point");
    command.add_option("--jobs", study.jobs, "runs made at once (default: the number of cores)")
        ->check(wholeNumberIn(1, 1024));
    command.add_option("--samples-out", study.samplesPath, "every sample as a CSV row of sweep's outlet columns")
        ->type_name("FILE.csv")
        ->check([](const std::string& path) {
            return isValidUtf8(path) ? std::string() : "the samples file name must be valid UTF-8";
        });
}

void addUncertainty(CLI::App& uncertainty, UncertaintyOptions& options, const DesignDescription& model)
{
    CLI::App* command = uncertainty.add_subcommand(
        std::string(model.name), std::string(model.title) + ": the outlet over the fields' distributions.");
    command->footer(
        std::string("A field takes a number or a distribution: V±D or V+-D (uniform on V-D..V+D), V±P% (within\n"
                    "P % of V), uniform(A;B), normal(MU;SIGMA) or triangular(A;M;B); N takes a whole number.\n"
                    "Each value drawn is stored at its field's width, as a typed field would store it. A run\n"
                    "that fails counts as missing the criterion and gives no value to the means, deviations\n"
                    "and quantiles. The same seed gives the same output for every --jobs.\n\nExample:\n  ") +
        examplesOf(model.kind).uncertainty + "\n");
    addFieldOptions(*command, options);
    addStudyOptions(*command, options.study);
    addFormatOption(*command, kStatistics, options.format);
}

int runUncertainty(UncertaintyOptions& options, StandardOutput& out)
{
    options.study.json = options.format == formats::OutputFormat::json;
    std::optional<ProgressBar> progress;
    const bool terminal = standardErrorIsTerminal();
    const InterruptionStop interruption;
    UncertaintyReport report;
    try {
        report = runUncertaintyStudy(
            options.study,
            [&](std::size_t done, std::size_t total) {
                if (!progress)
                    progress.emplace(std::cerr, total, terminal);
                progress->update(done);
            },
            interruption.token());
    } catch (const UsageError& error) {
        if (progress)
            progress->finish();
        std::cerr << error.message() << "\nRun with --help for more information.\n";
        return kExitUsage;
    } catch (const UncertaintyFailed& error) {
        if (progress)
            progress->finish();
        std::cerr << "kaskad-cli: " << error.message() << '\n';
        return kExitCalculationFailed;
    }
    if (progress)
        progress->finish();
    out.stream() << report.text;
    out.flush();
    if (const int signal = InterruptionWatch::received())
        return 128 + signal;
    return kExitSuccess;
}

class UncertaintyCommands final : public Subcommand {
public:
    explicit UncertaintyCommands(CLI::App& app)
    {
        command_ = app.add_subcommand(
            "uncertainty", "The outlet over fields given as distributions: the probability of meeting the criterion, "
                           "statistics, Sobol' indices.");
        command_->require_subcommand(1);
        for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
            const DesignDescription& model = describe(kModelKinds[k]);
            studies_[k].study.model = model.kind;
            studies_[k].study.jobs = std::max(1u, std::thread::hardware_concurrency());
            addUncertainty(*command_, studies_[k], model);
        }
    }

    bool parsed() const override { return command_->parsed(); }
    int run(StandardOutput& out) override { return runUncertainty(parsedDesign(*command_, studies_), out); }

private:
    std::array<UncertaintyOptions, kModelKinds.size()> studies_; // in kModelKinds' order
    CLI::App* command_ = nullptr;
};

} // namespace

std::unique_ptr<Subcommand> addUncertaintyCommands(CLI::App& app) { return std::make_unique<UncertaintyCommands>(app); }

} // namespace kaskad::cli
