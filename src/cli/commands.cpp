// Option parsing, the single-run subcommands "bubble" and "gaslift" and the
// sweeps "sweep bubble" and "sweep gaslift".
#include "cli/commands.h"

#include "cli/cli_errors.h"
#include "cli/locale_separator.h"
#include "cli/output.h"
#include "cli/plot/profile_plot.h"
#include "cli/progress.h"
#include "cli/sweep.h"
#include "cli/sweep_output.h"

#include <iostream>
#include <map>
#include <thread>

namespace kaskad::cli {

namespace {

const std::map<std::string, OutputFormat> kFormats = {
    {"panes", OutputFormat::panes}, {"csv", OutputFormat::csv}, {"json", OutputFormat::json}};

// Options of one single-run subcommand.
struct SingleRunOptions {
    ModelKind model;
    FieldTexts fields;
    OutputFormat format = OutputFormat::panes;
    std::string separator;
    std::string plotPath;
    PlotSize plotSize;
};

// Options of one sweep subcommand.
struct SweepOptions {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields;
    SweepOutputOptions output;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    std::string separator;
    std::optional<Shard> shard;
};

CLI::Option* addSeparatorOption(CLI::App& command, std::string& separator)
{
    return command
        .add_option("--decimal-separator", separator,
                    "decimal separator of the field texts and printed numbers (default: the locale's)")
        ->check([](const std::string& text) {
            return DecimalSeparator::fromText(text) ? std::string()
                                                    : "must be one character other than a digit, sign, e or blank";
        });
}

void addSingleRun(CLI::App& app, SingleRunOptions& options, const char* name, const char* description,
                  const char* example)
{
    CLI::App* command = app.add_subcommand(name, description);
    command->footer(std::string("Example:\n  ") + example + "\n");
    for (const FieldDescription& f : modelFields(options.model)) {
        CLI::Option* option = command->add_option(fieldOption(f), options.fields[f.field - 1], std::string(f.help));
        option->type_name("TEXT");
        if (f.converted)
            option->required();
    }
    command->add_option_function<std::string>(
               "--format", [&options](const std::string& name) { options.format = kFormats.at(name); },
               "output: panes (default), csv or json")
        ->check(CLI::IsMember({"panes", "csv", "json"}));
    addSeparatorOption(*command, options.separator);
    command
        ->add_option("--plot", options.plotPath,
                     "also draw the cascade profile into FILE.svg or FILE.png")
        ->type_name("FILE")
        ->check([](const std::string& path) {
            return plotFormatOf(path) ? std::string() : "the plot file must end in .svg or .png";
        });
    command
        ->add_option_function<std::string>(
            "--plot-size", [&options](const std::string& text) { options.plotSize = *parsePlotSize(text); },
            "size of the plot in pixels (default 1200x800)")
        ->type_name("WxH")
        ->check([](const std::string& text) {
            return parsePlotSize(text) ? std::string() : "must be WIDTHxHEIGHT, each from 100 to 10000";
        });
}

void addSweep(CLI::App& sweep, SweepOptions& options, const char* name, const char* description,
              const char* example)
{
    CLI::App* command = sweep.add_subcommand(name, description);
    command->footer(std::string("Each field takes a text, a range FROM:TO:STEP (exact decimal steps, TO included\n"
                                "when reached) or a list A;B;C; the points are every combination, the last\n"
                                "field varying fastest. Quote lists: ';' ends a shell command.\n\n"
                                "Example:\n  ") +
                    example + "\n");
    for (const FieldDescription& f : modelFields(options.model)) {
        CLI::Option* option = command->add_option(fieldOption(f), options.fields[f.field - 1], std::string(f.help));
        option->type_name(f.converted ? "TEXT|RANGE|LIST" : "TEXT");
        if (f.converted)
            option->required();
    }
    command->add_option_function<std::string>(
               "--format", [&options](const std::string& name) { options.output.format = kFormats.at(name); },
               "output: csv (default) or json")
        ->check(CLI::IsMember({"csv", "json"}));
    command->add_flag("--outlet", options.output.outletOnly, "only the last reactor computed of each point");
    command->add_flag("--criterion", options.output.criterion,
                      "test each point's outlet against the optimality criterion of the model's window");
    command->add_flag("--only-meeting", options.output.onlyMeeting,
                      "only the points whose outlet meets the criterion (implies --criterion)");
    command->add_option("--jobs", options.jobs, "points run at once (default: the number of cores)")
        ->check(CLI::Range(1u, 1024u));
    addSeparatorOption(*command, options.separator);
    command
        ->add_option_function<std::string>(
            "--shard", [&options](const std::string& text) { options.shard = parseShard(text); },
            "only the K-th of N contiguous pieces of the points, for batch schedulers")
        ->type_name("K/N")
        ->check([](const std::string& text) {
            return parseShard(text) ? std::string() : "must be K/N with 1 <= K <= N <= " + std::to_string(kMaxShards);
        });
    command->add_flag_callback(
        "--no-header", [&options] { options.output.header = false; },
        "CSV rows without the header line (the header and shards 1..N, concatenated, are the whole sweep)");
}

DecimalSeparator chosenSeparator(const std::string& text)
{
    return text.empty() ? localeDecimalSeparator() : *DecimalSeparator::fromText(text);
}

// The recorded values of each pane against the reactor number, for a plot.
CascadeProfile cascadeProfile(const RunRecord& run)
{
    CascadeProfile profile;
    for (const ReactorResult& reactor : run.reactors)
        for (Pane pane : kStoreOrder)
            if (reactor.has(pane))
                profile[pane - 1].emplace_back(reactor.reactor(), reactor.value(pane));
    return profile;
}

int runSingle(const SingleRunOptions& options)
{
    const DecimalSeparator separator = chosenSeparator(options.separator);
    const RunRecord run = runRecorded(options.model, options.fields, separator);
    writeRun(std::cout, run, options.format, separator);
    std::cout.flush();
    if (!options.plotPath.empty()) {
        try {
            writeProfilePlot(cascadeProfile(run), options.plotPath, options.plotSize);
        } catch (const OutputError& error) {
            std::cerr << error.message() << '\n';
            return kExitOutputFailed;
        }
    }
    if (run.error) {
        std::cerr << run.error->message << '\n';
        return kExitCalculationFailed;
    }
    return kExitSuccess;
}

int runSweepCommand(const SweepOptions& options)
{
    try {
        const SweepPlan plan(options.model, options.fields, chosenSeparator(options.separator));
        const PointRange points = options.shard ? shardRange(plan.pointCount(), *options.shard)
                                                : PointRange{0, plan.pointCount()};
        SweepWriter writer(std::cout, plan, options.output);
        ProgressBar progress(std::cerr, points.size(), standardErrorIsTerminal());
        writer.begin();
        runSweepFormatted(
            plan, points, options.jobs,
            [&writer](std::size_t index, const RunRecord& run) { return writer.format(index, run); },
            [&writer](const std::optional<std::string>& text) { writer.write(text); },
            [&](std::size_t delivered) { progress.update(delivered); });
        progress.finish();
        writer.end();
    } catch (const UsageError& error) {
        std::cerr << error.message() << "\nRun with --help for more information.\n";
        return kExitUsage;
    }
    if (!std::cout) {
        std::cerr << "the sweep's output could not be written\n";
        return kExitOutputFailed;
    }
    return kExitSuccess;
}

} // namespace

std::string fieldOption(const FieldDescription& field) { return "--" + std::string(field.name); }

int runCommandLine(int argc, char** argv)
{
    CLI::App app("Kaskad: a series of liquid-phase oxidation reactors, reactor by reactor.", "kaskad-cli");
    app.require_subcommand(1);
    app.footer("Run 'kaskad-cli SUBCOMMAND --help' for the options of each subcommand.\n");

    SingleRunOptions bubble{ModelKind::bubble, {}, OutputFormat::panes, {}, {}, {}};
    SingleRunOptions gaslift{ModelKind::gaslift, {}, OutputFormat::panes, {}, {}, {}};
    addSingleRun(app, bubble, "bubble", "Bubble-column reactors: one run from the field texts.",
                 "kaskad-cli bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv\n"
                 "  kaskad-cli bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 "
                 "--plot profile.svg");
    addSingleRun(app, gaslift, "gaslift", "Gas-lift reactors: one run from the field texts.",
                 "kaskad-cli gaslift --N 3 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format json\n"
                 "  kaskad-cli gaslift --N 12 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 "
                 "--plot profile.png --plot-size 1600x1000");

    CLI::App* sweep = app.add_subcommand(
        "sweep", "Runs of every combination of field values, in parallel, as CSV or JSON rows.");
    sweep->require_subcommand(1);
    sweep->footer("Example:\n  kaskad-cli sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.03:0.07:0.01 "
                  "--t '430;433;436' --dtr 2 --d 3 --ts 3600 --outlet --criterion\n");
    SweepOptions sweepBubble;
    SweepOptions sweepGasLift;
    sweepGasLift.model = ModelKind::gaslift;
    addSweep(*sweep, sweepBubble, "bubble", "Bubble-column reactors: a run per point of the swept fields.",
             "kaskad-cli sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.03:0.07:0.01 --t '430;433;436' --dtr 2 "
             "--d 3 --ts 3600 --outlet --criterion");
    addSweep(*sweep, sweepGasLift, "gaslift", "Gas-lift reactors: a run per point of the swept fields.",
             "kaskad-cli sweep gaslift --N 1:12:1 --y10 3 --y50 2 --wg 0.05 --t 440:460:5 --dtr 2 "
             "--ts 1800:3600:600 --only-meeting --outlet --format json");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    if (sweep->parsed())
        return runSweepCommand(sweep->got_subcommand("bubble") ? sweepBubble : sweepGasLift);
    if (app.got_subcommand("bubble"))
        return runSingle(bubble);
    return runSingle(gaslift);
}

} // namespace kaskad::cli
