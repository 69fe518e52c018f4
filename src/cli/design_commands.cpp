// The optimiser and the solver on the command line: options, progress, the
// stop by a signal and the exit statuses.
#include "cli/design_commands.h"

#include "cli/cli_errors.h"
#include "cli/commands.h"
#include "cli/design_examples.h"
#include "cli/field_options.h"
#include "cli/output_formats.h"
#include "cli/output_stream.h"
#include "cli/progress.h"
#include "formats/design_output.h"
#include "study/study_error.h"

#include <iostream>
#include <thread>

namespace kaskad::cli {

namespace {

using formats::OutputFormat;

struct OptimizeOptions {
    ModelKind model = ModelKind::bubble;
    FieldOptions fields;
    std::optional<std::string> maximize;
    std::optional<std::string> minimize;
    bool meetCriterion = false;
    std::vector<std::string> subjectTo;
    std::vector<std::string> tolerances;
    std::string robust;
    int digits = 4;
    std::size_t maxEvaluations = 2000;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    OutputFormat format{}; // its default set with the --format option
};

struct SolveOptions {
    ModelKind model = ModelKind::bubble;
    FieldOptions fields;
    std::string target;
    std::optional<std::int32_t> reactor;
    std::size_t scan = 200;
    OutputFormat format{}; // its default set with the --format option
};

void addOptimize(CLI::App& optimize, OptimizeOptions& options, const std::string& name, const std::string& description,
                 const char* example)
{
    CLI::App* command = optimize.add_subcommand(name, description);
    command->footer(
        std::string("A field given as FROM:TO is searched over that interval (N: every reactor count from FROM\n"
                    "to TO); any other text is fixed. The answer's texts are rounded to --digits significant\n"
                    "digits, and its outlet is that of a plain run of exactly those texts. With --tolerance,\n"
                    "an input set is judged by its worst case over the tolerance box: in the search by the box's\n"
                    "corners (each evaluation runs them all), in the answer by its corners and a search inside\n"
                    "it from the worst of them; with --robust P, by whether it meets the criterion with that\n"
                    "probability, estimated on a fixed Latin hypercube of 256 points of its box. Exit status 4:\n"
                    "no input set meets the constraints (with the margin sought, the criterion too).\n\n"
                    "Example:\n  ") +
        example + "\n");
    addFieldOptions(*command, options.model, options.fields, "TEXT|FROM:TO");
    CLI::Option* maximize =
        command->add_option("--maximize", options.maximize,
                            "maximise the criterion margin (margin, the default), an outlet quantity (" +
                                quantityNamesText(", ") + ") or an interval field");
    maximize->type_name("NAME");
    command->add_option("--minimize", options.minimize, "minimise an outlet quantity or an interval field")
        ->type_name("NAME")
        ->excludes(maximize);
    command->add_flag("--meet-criterion", options.meetCriterion,
                      "only input sets whose outlet meets the criterion of the model's window");
    command
        ->add_option("--subject-to", options.subjectTo,
                     "a bound on an outlet quantity, Q>=V, Q>V, Q<=V or Q<V, or on every reactor, all:Q>=V …")
        ->type_name("BOUND");
    command
        ->add_option("--tolerance", options.tolerances,
                     "what the plant holds a field to, FIELD=±D or FIELD=±P% (+- for ±): each input set is "
                     "judged by its worst case over the box the tolerances span")
        ->type_name("FIELD=±D");
    command
        ->add_option("--robust", options.robust,
                     "with --tolerance: worst (the default), the worst case over the box; or a probability P such "
                     "as 0.99: the criterion met with at least that probability, the fields uniform over the box")
        ->type_name("worst|P");
    command->add_option("--digits", options.digits, "significant digits of the answer's texts (default 4)")
        ->check(wholeNumberIn(1, 9));
    command->add_option("--max-evals", options.maxEvaluations, "model runs at most (default 2000)")
        ->type_name("K")
        ->check(wholeNumberIn(1, 100'000'000));
    command->add_option("--jobs", options.jobs, "searches run at once (default: the number of cores)")
        ->check(wholeNumberIn(1, 1024));
    addFormatOption(*command, kAnswers, options.format);
}

void addSolve(CLI::App& solve, SolveOptions& options, const std::string& name, const std::string& description,
              const char* example)
{
    CLI::App* command = solve.add_subcommand(name, description);
    command->footer(std::string("Exactly one field is given as an interval FROM:TO. Every root found is printed\n"
                                "with the value of a plain run of its text. Exit status 4: no root.\n\nExample:\n  ") +
                    example + "\n");
    addFieldOptions(*command, options.model, options.fields, "TEXT|FROM:TO");
    command->add_option("--target", options.target, "the equation: an outlet quantity and its value, Q=V")
        ->type_name("Q=V")
        ->required();
    command->add_option("--reactor", options.reactor, "the reactor whose quantity is sought (default: the outlet)")
        ->type_name("K");
    command->add_option("--scan", options.scan, "the interval is scanned in this many equal steps (default 200)")
        ->type_name("K")
        ->check(wholeNumberIn(1, 1'000'000));
    addFormatOption(*command, kAnswers, options.format);
}

// The probability of --robust P; none for the worst case. Raises StudyError.
std::optional<double> robustProbability(const OptimizeOptions& options)
{
    if (options.robust.empty() || options.robust == "worst")
        return std::nullopt;
    if (options.tolerances.empty())
        throw study::StudyError("--robust: give the tolerances it holds for with --tolerance");
    long double probability = 0;
    try {
        probability = TextToNumber(options.robust, '.');
    } catch (const EConvertError&) {}
    if (!(probability > 0 && probability < 1))
        throw study::StudyError("--robust: '" + options.robust +
                                "' is neither worst nor a probability between 0 and 1");
    return static_cast<double>(probability);
}

int reportUsageError(const Exception& error)
{
    std::cerr << error.message() << "\nRun with --help for more information.\n";
    return kExitUsage;
}

int runOptimize(const OptimizeOptions& options, StandardOutput& out)
{
    std::optional<study::DesignProblem> problem;
    try {
        study::DesignSpace space(options.model, chosenFields(options.fields, options.model, '.'), kFieldCount);
        // An empty name given is refused, not taken for the margin.
        study::Objective objective =
            options.minimize
                ? study::Objective::parse(study::Objective::Kind::minimize, *options.minimize, space)
                : study::Objective::parse(study::Objective::Kind::maximize, options.maximize.value_or("margin"), space);
        std::vector<study::QuantityBound> bounds;
        for (const std::string& text : options.subjectTo)
            bounds.push_back(study::parseQuantityBound(text));
        std::vector<study::ToleratedField> tolerances;
        for (const std::string& text : options.tolerances)
            tolerances.push_back(study::toleratedField(space, study::parseFieldTolerance(text, '.')));
        problem.emplace(study::DesignProblem{std::move(space), std::move(objective), options.meetCriterion,
                                             std::move(bounds), std::move(tolerances), robustProbability(options)});
        if (options.maxEvaluations < study::leastEvaluations(*problem))
            throw study::StudyError("--max-evals: this study needs at least " +
                                    std::to_string(study::leastEvaluations(*problem)) + " evaluations");
    } catch (const study::StudyError& error) {
        return reportUsageError(error);
    } catch (const UsageError& error) {
        return reportUsageError(error);
    }

    ProgressBar progress(std::cerr, options.maxEvaluations, standardErrorIsTerminal());
    study::OptimizeSettings settings;
    settings.digits = options.digits;
    settings.maxEvaluations = options.maxEvaluations;
    settings.jobs = options.jobs;
    settings.progress = [&progress](std::size_t done) { progress.update(done); };
    const InterruptionStop interruption;
    settings.stop = interruption.token();
    const study::OptimizeResult result = study::optimize(*problem, settings);
    progress.finish();
    formats::writeOptimizeResult(out.stream(), *problem, result, options.format);
    out.flush();
    if (const int signal = InterruptionWatch::received())
        return 128 + signal;
    return result.bestAnswer().meets ? kExitSuccess : kExitTargetNotMet;
}

int runSolve(const SolveOptions& options, StandardOutput& out)
{
    std::optional<study::DesignSpace> space;
    std::optional<study::Target> target;
    try {
        space.emplace(options.model, chosenFields(options.fields, options.model, '.'), 1);
        target = study::Target::parse(options.target);
    } catch (const study::StudyError& error) {
        return reportUsageError(error);
    } catch (const UsageError& error) {
        return reportUsageError(error);
    }
    study::SolveSettings settings;
    settings.reactor = options.reactor;
    settings.scanIntervals = options.scan;
    const InterruptionStop interruption;
    settings.stop = interruption.token();
    study::SolveResult result;
    try {
        result = study::solve(*space, *target, settings);
    } catch (const study::StudyError& error) {
        return reportUsageError(error);
    }
    formats::writeSolveResult(out.stream(), *space, *target, options.reactor.value_or(space->mostReactors()), result,
                              options.format);
    out.flush();
    if (const int signal = InterruptionWatch::received())
        return 128 + signal;
    return result.roots.empty() ? kExitTargetNotMet : kExitSuccess;
}

class DesignCommands final : public Subcommand {
public:
    explicit DesignCommands(CLI::App& app);

    bool parsed() const override { return optimize_->parsed() || solve_->parsed(); }
    int run(StandardOutput& out) override
    {
        if (optimize_->parsed())
            return runOptimize(parsedDesign(*optimize_, optimizes_), out);
        return runSolve(parsedDesign(*solve_, solves_), out);
    }

private:
    // Per design, in kModelKinds' order.
    std::array<OptimizeOptions, kModelKinds.size()> optimizes_;
    std::array<SolveOptions, kModelKinds.size()> solves_;
    CLI::App* optimize_ = nullptr;
    CLI::App* solve_ = nullptr;
};

DesignCommands::DesignCommands(CLI::App& app)
{
    optimize_ = app.add_subcommand("optimize", "Design to a target: the input set of the best objective per reactor "
                                               "count, under constraints.");
    optimize_->require_subcommand(1);
    for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
        const DesignDescription& model = describe(kModelKinds[k]);
        optimizes_[k].model = model.kind;
        addOptimize(*optimize_, optimizes_[k], std::string(model.name),
                    std::string(model.title) + ": the best input set.", examplesOf(model.kind).optimize);
    }
    solve_ = app.add_subcommand("solve", "The values of one field at which a quantity takes a target value.");
    solve_->require_subcommand(1);
    for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
        const DesignDescription& model = describe(kModelKinds[k]);
        solves_[k].model = model.kind;
        addSolve(*solve_, solves_[k], std::string(model.name), std::string(model.title) + ": the roots of a target.",
                 examplesOf(model.kind).solve);
    }
}

} // namespace

std::unique_ptr<Subcommand> addDesignCommands(CLI::App& app) { return std::make_unique<DesignCommands>(app); }

} // namespace kaskad::cli
