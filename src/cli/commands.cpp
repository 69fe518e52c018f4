// Option parsing, the single-run subcommands "bubble" and "gaslift" and the
// sweeps "sweep bubble" and "sweep gaslift".
#include "cli/commands.h"

#include "cli/cli_errors.h"
#include "cli/design_commands.h"
#include "cli/design_examples.h"
#include "cli/field_options.h"
#include "cli/locale_separator.h"
#include "cli/output_formats.h"
#include "cli/plot/profile_plot.h"
#include "cli/output_stream.h"
#include "cli/progress.h"
#include "cli/sensitivity_command.h"
#include "cli/uncertainty_command.h"
#include "formats/file_problem.h"
#include "formats/run_output.h"
#include "formats/study_definition.h"
#include "formats/sweep_output.h"
#include "formats/whole_file.h"
#include "kaskad/version.h"
#include "numeric/utf8.h"
#include "study/sweep_plan.h"
#include "study/threads.h"
#include "study/study_error.h"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace kaskad::cli {

using formats::OutputFormat;
using study::Shard;

namespace {

// Options of one single-run subcommand.
struct SingleRunOptions {
    ModelKind model = ModelKind::bubble;
    FieldOptions fields;
    OutputFormat format{}; // its default set with the --format option
    std::string separator;
    PlotOptions plot;
};

// Options of one sweep subcommand.
struct SweepOptions {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields;
    formats::SweepOutputOptions output;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    std::string separator;
    std::optional<Shard> shard;
    std::string studyPath; // --study: the fields not given on the command line
    FieldArray<CLI::Option*> fieldOptions{};
};

CLI::Option* addSeparatorOption(CLI::App& command, std::string& separator)
{
    return command
        .add_option("--decimal-separator", separator,
                    "decimal separator of the field texts and of the panes' numbers: one character, or "
                    "'locale' for the locale's (default: '.')")
        ->type_name("C|locale")
        ->check([](const std::string& text) {
            return text == "locale" || DecimalSeparator::fromText(text)
                       ? std::string()
                       : "must be one character other than a digit, sign, e or blank, or 'locale'";
        });
}

void addSingleRun(CLI::App& app, SingleRunOptions& options, const std::string& name, const std::string& description,
                  const char* example)
{
    CLI::App* command = app.add_subcommand(name, description);
    command->footer(std::string("Example:\n  ") + example + "\n");
    addFieldOptions(*command, options.model, options.fields, "TEXT");
    addFormatOption(*command, kSingleRuns, options.format);
    addSeparatorOption(*command, options.separator);
    addPlotOptions(*command, options.plot, "the cascade profile");
}

void addSweep(CLI::App& sweep, SweepOptions& options, const std::string& name, const std::string& description,
              const char* example)
{
    CLI::App* command = sweep.add_subcommand(name, description);
    command->footer(std::string("Each field takes a text, a range FROM:TO:STEP (exact decimal steps, TO included\n"
                                "when reached) or a list A;B;C; the points are every combination, the last\n"
                                "field varying fastest. Quote lists: ';' ends a shell command.\n\n"
                                "Example:\n  ") +
                    example + "\n");
    for (const FieldDescription& f : modelFields(options.model)) {
        CLI::Option* option = command->add_option(fieldOption(f.name), options.fields[f.field], std::string(f.help));
        option->type_name(f.converted() ? "TEXT|RANGE|LIST" : "TEXT");
        // Required unless a study gives it: checked once the options are read.
        options.fieldOptions[f.field] = option;
    }
    command
        ->add_option("--study", options.studyPath,
                     "take the fields not given here from a study file (NAME.kaskad-study.json) of this model")
        ->type_name("FILE");
    addFormatOption(*command, kSweeps, options.output.format);
    command->add_flag("--outlet", options.output.rows.outletOnly, "only the last reactor computed of each point");
    command->add_flag("--criterion", options.output.rows.criterion,
                      "test each point's outlet against the optimality criterion of the model's window");
    command->add_flag("--only-meeting", options.output.rows.onlyMeeting,
                      "only the points whose outlet meets the criterion (implies --criterion)");
    command
        ->add_option("--best", options.output.rows.best,
                     "only the K points of the largest criterion margin, largest first, ties in point order "
                     "(implies --criterion)")
        ->type_name("K")
        ->check(wholeNumberIn(1, 1'000'000));
    command->add_option("--jobs", options.jobs, "points run at once (default: the number of cores)")
        ->check(wholeNumberIn(1, 1024));
    addSeparatorOption(*command, options.separator);
    command
        ->add_option_function<std::string>(
            "--shard", [&options](const std::string& text) { options.shard = study::parseShard(text); },
            "only the K-th of N contiguous pieces of the points, for batch schedulers")
        ->type_name("K/N")
        ->check([](const std::string& text) {
            return study::parseShard(text) ? std::string()
                                           : "must be K/N with 1 <= K <= N <= " + std::to_string(study::kMaxShards);
        });
    command->add_flag_callback(
        "--no-header", [&options] { options.output.header = false; },
        "CSV rows without the header line (the header and shards 1..N, concatenated, are the whole sweep)");
}

DecimalSeparator chosenSeparator(const std::string& text)
{
    if (text.empty())
        return '.';
    if (text == "locale")
        return localeDecimalSeparator();
    return *DecimalSeparator::fromText(text);
}

// Draws the run's profile; what keeps it from being drawn is reported and
// gives the output failure status.
int plotRun(const SingleRunOptions& options, const FieldTexts& fields, const RunRecord& run)
{
    if (run.reactors.empty()) {
        std::cerr << "kaskad-cli: no plot written: the run computed no reactor\n";
        return kExitOutputFailed;
    }
    return writeReportedPlot([&] {
        writeProfilePlot(chart::cascadeProfile(run), chart::profileCaption(options.model, fields), options.plot.path,
                         options.plot.size);
    });
}

void reportUsageError(const Exception& error)
{
    std::cerr << error.message() << "\nRun with --help for more information.\n";
}

// The error report as the window shows it, then the reactor it ended in.
void reportRunError(const RunError& error)
{
    std::cerr << error.message << '\n';
    if (error.reactor > 0)
        std::cerr << "kaskad-cli: the run stopped in reactor " << error.reactor << '\n';
}

int runSingle(const SingleRunOptions& options, StandardOutput& out)
{
    const DecimalSeparator separator = chosenSeparator(options.separator);
    FieldTexts fields;
    try {
        fields = chosenFields(options.fields, options.model, separator);
    } catch (const UsageError& error) {
        reportUsageError(error);
        return kExitUsage;
    }
    const RunRecord run = runRecorded(options.model, fields, separator);
    try {
        formats::writeRun(out.stream(), run, options.format, separator);
        out.flush();
    } catch (const OutputError&) {
        // The run's own error is reported even when its output cannot be.
        if (run.error)
            reportRunError(*run.error);
        throw;
    }
    // The run's own error comes first; a plot that fails too is reported after it.
    if (run.error)
        reportRunError(*run.error);
    else if (run.reactors.empty())
        std::cerr << "kaskad-cli: N is " << run.inputs.values.count() << ": no reactor was computed\n";
    const int plotStatus = options.plot.path.empty() ? kExitSuccess : plotRun(options, fields, run);
    if (run.error)
        return kExitCalculationFailed;
    return plotStatus;
}

// The points this machine runs: the shard's, or the whole sweep's.
study::PointRange pointsToRun(const study::SweepPlan& plan, const SweepOptions& options)
{
    if (options.shard && options.output.rows.best > 0)
        throw UsageError("--best keeps the best points of the whole sweep: it cannot be combined with --shard");
    if (!options.shard) {
        study::checkPointsToRun(plan, study::allPoints(plan));
        return study::allPoints(plan);
    }
    const study::PointRange points = study::shardRange(plan.pointCount(), *options.shard);
    study::checkPointsToRun(
        plan, points, "shard " + std::to_string(options.shard->index) + "/" + std::to_string(options.shard->count));
    return points;
}

// Runs the sweep's points, or its shard's, and writes them as they come,
// stopping at the first failed write or at SIGINT, SIGTERM or SIGHUP; the
// rows written are always whole, and the signal gives the exit status once
// the command ends.
void runSweepPoints(const study::SweepPlan& plan, const SweepOptions& options, StandardOutput& out)
{
    const study::PointRange points = pointsToRun(plan, options);
    if (options.output.format == OutputFormat::json && !options.output.header)
        throw UsageError("--no-header applies to CSV output only: JSON is one document");
    formats::SweepWriter writer(out.stream(), plan, options.output);
    ProgressBar progress(std::cerr, points.size(), standardErrorIsTerminal());
    const InterruptionStop interruption;
    formats::writeSweep(writer, points,
                        {options.jobs, interruption.token(), [&progress](std::size_t done) { progress.update(done); },
                         [&out] { out.check(); }});
    progress.finish();
    out.flush();
}

// The study in the file at `path`, as the file records it. Raises UsageError
// saying why a file cannot be read or is no study.
formats::SavedStudy readStudyFile(const std::string& path)
{
    try {
        return formats::readSavedStudyFile(path);
    } catch (const formats::FileProblem& problem) {
        throw UsageError(problem.message());
    }
}

// The study the sweep takes its fields from, if any: the one already read
// (to find the model of "sweep --study FILE"), or the file --study names.
std::optional<formats::SavedStudy> sweepStudy(const SweepOptions& options,
                                              const std::optional<formats::SavedStudy>& studyRead)
{
    if (studyRead)
        return studyRead;
    if (options.studyPath.empty())
        return std::nullopt;
    return readStudyFile(options.studyPath);
}

// The sweep's field texts: those given as options, the others from the
// study when one is given. A field given both ways takes the option's text,
// so a study is run again with one field changed. Raises UsageError for a
// field given neither way and for a study of the other model.
FieldTexts sweepFields(const SweepOptions& options, const std::optional<formats::SavedStudy>& studyRead,
                       DecimalSeparator separator)
{
    std::optional<formats::StudyDefinition> study;
    if (const std::optional<formats::SavedStudy> saved = sweepStudy(options, studyRead)) {
        study = formats::studyWithSeparator(*saved, separator);
        if (study->model != options.model)
            throw UsageError("the study " + options.studyPath + " is of the " + std::string(modelName(study->model)) +
                             " model");
    }
    FieldTexts fields = options.fields;
    for (const FieldDescription& f : modelFields(options.model)) {
        if (options.fieldOptions[f.field]->count() > 0)
            continue;
        if (study)
            fields[f.field] = study->values[f.field];
        else if (f.converted())
            throw UsageError(fieldOption(f.name) + " is required");
    }
    return fields;
}

int runSweepCommand(const SweepOptions& options, const std::optional<formats::SavedStudy>& studyRead,
                    StandardOutput& out)
{
    try {
        const DecimalSeparator separator = chosenSeparator(options.separator);
        const study::SweepPlan plan(options.model, sweepFields(options, studyRead, separator), separator);
        runSweepPoints(plan, options, out);
    } catch (const study::StudyError& error) {
        reportUsageError(error);
        return kExitUsage;
    } catch (const UsageError& error) {
        reportUsageError(error);
        return kExitUsage;
    }
    return kExitSuccess;
}

// --version on the program and on every subcommand, nested ones included.
void addVersionFlags(CLI::App& command)
{
    command.set_version_flag("--version", "kaskad-cli " KASKAD_VERSION, "Print the version and exit");
    for (CLI::App* subcommand : command.get_subcommands([](CLI::App*) { return true; }))
        addVersionFlags(*subcommand);
}

} // namespace

CLI::Validator wholeNumberIn(std::uint64_t least, std::uint64_t most)
{
    const std::string range = "from " + std::to_string(least) + " to " + std::to_string(most);
    return CLI::Validator(
        [least, most, range](const std::string& text) -> std::string {
            std::uint64_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (text.empty() || end != text.data() + text.size() || error == std::errc::invalid_argument)
                return "'" + text + "' is not a whole number";
            if (error == std::errc::result_out_of_range || value < least || value > most)
                return text + " is not " + range;
            return {};
        },
        "UINT in [" + std::to_string(least) + " - " + std::to_string(most) + "]");
}

void addPlotOptions(CLI::App& command, PlotOptions& options, const std::string& what)
{
    command.add_option("--plot", options.path, "also draw " + what + " into FILE.svg or FILE.png")
        ->type_name("FILE")
        ->check([](const std::string& path) {
            if (!isValidUtf8(path))
                return "the plot file name must be valid UTF-8";
            return plotFormatOf(path) ? "" : "the plot file must end in .svg or .png";
        });
    command
        .add_option_function<std::string>(
            "--plot-size", [&options](const std::string& text) { options.size = *parsePlotSize(text); },
            "size of the plot in pixels (default 1200x800)")
        ->type_name("WxH")
        ->check([](const std::string& text) {
            return parsePlotSize(text) ? std::string() : "must be WIDTHxHEIGHT, each from 100 to 10000";
        });
}

int writeReportedPlot(const std::function<void()>& write)
{
    try {
        write();
    } catch (const OutputError& error) {
        std::cerr << error.message() << '\n';
        return kExitOutputFailed;
    }
    return kExitSuccess;
}

namespace {

// Every subcommand and its options.
struct CommandLine {
    CLI::App app{"Kaskad: a series of liquid-phase oxidation reactors, reactor by reactor.", "kaskad-cli"};
    // Per design, in kModelKinds' order: its run and its sweep.
    std::array<SingleRunOptions, kModelKinds.size()> runs;
    std::array<SweepOptions, kModelKinds.size()> sweeps;
    CLI::App* sweep = nullptr;
    // The groups of subcommands that keep their own options.
    std::vector<std::unique_ptr<Subcommand>> subcommands;
    // The study of "sweep --study FILE", read before the options to find
    // the sweep's model.
    std::optional<formats::SavedStudy> studyRead;

    CommandLine();
};

CommandLine::CommandLine()
{
    app.require_subcommand(1);
    app.footer("Run 'kaskad-cli SUBCOMMAND --help' for the options of each subcommand.\n");
    for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
        const DesignDescription& model = describe(kModelKinds[k]);
        runs[k].model = model.kind;
        addSingleRun(app, runs[k], std::string(model.name),
                     std::string(model.title) + ": one run from the field texts.", examplesOf(model.kind).run);
    }

    sweep = app.add_subcommand("sweep", "Runs of every combination of field values, in parallel, as CSV or JSON rows.");
    sweep->require_subcommand(1);
    sweep->footer("Example:\n  kaskad-cli sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.03:0.07:0.01 "
                  "--t '430;433;436' --dtr 2 --d 3 --ts 3600 --outlet --criterion\n"
                  "  kaskad-cli sweep --study NAME.kaskad-study.json --outlet --criterion\n\n"
                  "A study file (saved by the desktop program's study window) names the model and\n"
                  "every field's values; a field given as an option as well takes the option's.\n\n"
                  "A field takes at most 1000000 values and a sweep runs at most 10000000 points on one\n"
                  "machine: --shard K/M runs part K of M of a larger one.\n");
    for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
        const DesignDescription& model = describe(kModelKinds[k]);
        sweeps[k].model = model.kind;
        addSweep(*sweep, sweeps[k], std::string(model.name),
                 std::string(model.title) + ": a run per point of the swept fields.", examplesOf(model.kind).sweep);
    }
    subcommands.push_back(addDesignCommands(app));
    subcommands.push_back(addUncertaintyCommands(app));
    subcommands.push_back(addSensitivityCommand(app));
    addVersionFlags(app);
}

// The word where a subcommand of `command` is due, when it names none.
std::optional<std::string> unknownSubcommand(const CLI::App& command, int argc, char** argv, int at)
{
    if (at >= argc || argv[at][0] == '-')
        return std::nullopt;
    for (const CLI::App* sub : command.get_subcommands({}))
        if (sub->check_name(argv[at]))
            return std::nullopt;
    std::string message = "unknown subcommand '" + std::string(argv[at]) + "'; the subcommands";
    if (command.get_parent())
        message += " of '" + command.get_name() + "'";
    message += " are:";
    for (const CLI::App* sub : command.get_subcommands({}))
        message += ' ' + sub->get_name();
    return message;
}

// The status of a help text printed on standard output: a failed write
// turns it into the output failure.
int helpWritten(int status)
{
    if (std::cout.flush())
        return status;
    std::cerr << "kaskad-cli: the output could not be written\n";
    return kExitOutputFailed;
}

int runParsed(CommandLine& commandLine)
{
    StandardOutput out;
    try {
        for (const std::unique_ptr<Subcommand>& subcommand : commandLine.subcommands)
            if (subcommand->parsed())
                return subcommand->run(out);
        if (commandLine.sweep->parsed())
            return runSweepCommand(parsedDesign(*commandLine.sweep, commandLine.sweeps), commandLine.studyRead, out);
        return runSingle(parsedDesign(commandLine.app, commandLine.runs), out);
    } catch (const OutputError& error) {
        std::cerr << "kaskad-cli: " << error.message() << '\n';
        return kExitOutputFailed;
    } catch (const std::bad_alloc&) {
        // The rows written so far are whole: they are kept.
        try {
            out.flush();
        } catch (const OutputError&) {}
        throw;
    }
}

} // namespace

namespace {

// The words of a command line, and the study read to find its model.
struct Arguments {
    std::vector<std::string> words;
    std::optional<formats::SavedStudy> study;
};

// "sweep --study FILE …" names no model: the study's own goes where the
// subcommand is due, and the study read is kept for the sweep. Raises
// UsageError when the study cannot be read.
Arguments withStudyModel(int argc, char** argv)
{
    Arguments arguments{{argv, argv + argc}, std::nullopt};
    std::vector<std::string>& words = arguments.words;
    if (words.size() < 3 || words[1] != "sweep" || !words[2].starts_with("--study"))
        return arguments;
    std::string path;
    if (words[2] == "--study" && words.size() > 3)
        path = words[3];
    else if (words[2].starts_with("--study="))
        path = words[2].substr(std::string_view("--study=").size());
    else
        return arguments;
    arguments.study = readStudyFile(path);
    words.insert(words.begin() + 2, std::string(modelName(arguments.study->study.model)));
    return arguments;
}

int runArguments(int argc, char** argv)
{
    Arguments arguments;
    try {
        arguments = withStudyModel(argc, argv);
    } catch (const UsageError& error) {
        reportUsageError(error);
        return kExitUsage;
    }
    std::vector<std::string>& words = arguments.words;
    std::vector<char*> pointers;
    pointers.reserve(words.size() + 1);
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    argc = int(words.size());
    argv = pointers.data();
    CommandLine commandLine;
    commandLine.studyRead = std::move(arguments.study);
    std::optional<std::string> unknown = unknownSubcommand(commandLine.app, argc, argv, 1);
    if (!unknown && argc > 1 && commandLine.sweep->check_name(argv[1]))
        unknown = unknownSubcommand(*commandLine.sweep, argc, argv, 2);
    if (unknown) {
        std::cerr << *unknown << "\nRun with --help for more information.\n";
        return kExitUsage;
    }
    try {
        commandLine.app.parse(argc, argv);
    } catch (const CLI::CallForVersion& e) {
        return helpWritten(commandLine.app.exit(e));
    } catch (const CLI::CallForHelp& e) {
        return helpWritten(commandLine.app.exit(e));
    } catch (const CLI::CallForAllHelp& e) {
        return helpWritten(commandLine.app.exit(e));
    } catch (const CLI::ExtrasError&) {
        // The words left over, in the order they were typed.
        std::string words;
        for (const std::string& word : commandLine.app.remaining(true))
            words += (words.empty() ? "" : " ") + word;
        std::cerr << "The following arguments were not expected: " << words
                  << "\nRun with --help for more information.\n";
        return kExitUsage;
    } catch (const CLI::ParseError& e) {
        commandLine.app.exit(e);
        return kExitUsage;
    }
    return runParsed(commandLine);
}

} // namespace

int runCommandLine(int argc, char** argv)
{
    // Watched from the start, so that a signal before the first point still
    // leaves whole output; a command that ran to its end reports the signal
    // by its status.
    const InterruptionWatch interruptions;
    // Told once: a search starts its threads several times.
    study::setThreadShortfallReporter([](std::size_t started, std::size_t asked, const char* reason) {
        static std::once_flag told;
        std::call_once(told, [&] {
            std::cerr << "kaskad-cli: " << started << " of " << asked << " threads could be started (" << reason
                      << "); the work goes on with "
                      << (started == 0 ? "the main thread alone" : "those and the main one") << '\n';
        });
    });
    int status = kExitSuccess;
    try {
        status = runArguments(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "kaskad-cli: memory exhausted\n";
        return kExitOutOfMemory;
    }
    // A signal also ends a wait for a file (a FIFO): the failure to read or
    // write it is the signal's, and the status says so.
    const bool signalStatus = status == kExitSuccess || status == kExitUsage || status == kExitOutputFailed;
    if (const int signal = InterruptionWatch::received(); signal != 0 && signalStatus)
        return 128 + signal;
    return status;
}

} // namespace kaskad::cli
