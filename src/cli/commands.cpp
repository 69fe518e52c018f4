// Option parsing and the single-run subcommands "bubble" and "gaslift".
#include "cli/commands.h"

#include "cli/locale_separator.h"
#include "cli/output.h"

#include <iostream>
#include <map>

namespace kaskad::cli {

namespace {

constexpr FieldOption kBubbleFields[] = {
    {"--N", 1, "number of reactors N (rounded to the nearest integer)", true},
    {"--y10", 2, "entering concentration y10", true},
    {"--y50", 3, "entering concentration y50", true},
    {"--wg", 4, "superficial air velocity wg", true},
    {"--t", 5, "temperature of the first reactor t, K", true},
    {"--dtr", 6, "temperature step from reactor to reactor dtr", true},
    {"--d", 7, "reactor diameter d", true},
    {"--ts", 8, "mean residence time of the liquid ts", true},
};

constexpr FieldOption kGasLiftFields[] = {
    {"--N", 1, "number of reactors N (rounded to the nearest integer)", true},
    {"--y10", 2, "entering concentration y10", true},
    {"--y50", 3, "entering concentration y50", true},
    {"--wg", 4, "superficial air velocity wg", true},
    {"--t", 5, "temperature of the first reactor t, K", true},
    {"--dtr", 6, "temperature step from reactor to reactor dtr", true},
    {"--ts", 8, "mean residence time of the liquid ts", true},
    {"--db", 7, "draught tube diameter db (accepted, never converted)", false},
};

const std::map<std::string, OutputFormat> kFormats = {
    {"panes", OutputFormat::panes}, {"csv", OutputFormat::csv}, {"json", OutputFormat::json}};

// Options of one single-run subcommand.
struct SingleRunOptions {
    ModelKind model;
    FieldTexts fields;
    OutputFormat format = OutputFormat::panes;
    std::string separator;
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
    for (const FieldOption& f : fieldOptions(options.model)) {
        CLI::Option* option = command->add_option(f.name, options.fields[f.field - 1], f.help);
        option->type_name("TEXT");
        if (f.required)
            option->required();
    }
    command->add_option_function<std::string>(
               "--format", [&options](const std::string& name) { options.format = kFormats.at(name); },
               "output: panes (default), csv or json")
        ->check(CLI::IsMember({"panes", "csv", "json"}));
    addSeparatorOption(*command, options.separator);
}

DecimalSeparator chosenSeparator(const std::string& text)
{
    return text.empty() ? localeDecimalSeparator() : *DecimalSeparator::fromText(text);
}

int runSingle(const SingleRunOptions& options)
{
    const RunRecord run = runRecorded(options.model, options.fields, chosenSeparator(options.separator));
    writeRun(std::cout, run, options.format);
    std::cout.flush();
    if (run.error) {
        std::cerr << run.error->message << '\n';
        return kExitCalculationFailed;
    }
    return kExitSuccess;
}

} // namespace

std::span<const FieldOption> fieldOptions(ModelKind model)
{
    if (model == ModelKind::bubble)
        return kBubbleFields;
    return kGasLiftFields;
}

int runCommandLine(int argc, char** argv)
{
    CLI::App app("Kaskad: a series of liquid-phase oxidation reactors, reactor by reactor.", "kaskad-cli");
    app.require_subcommand(1);
    app.footer("Run 'kaskad-cli SUBCOMMAND --help' for the options of each subcommand.\n");

    SingleRunOptions bubble{ModelKind::bubble, {}, OutputFormat::panes, {}};
    SingleRunOptions gaslift{ModelKind::gaslift, {}, OutputFormat::panes, {}};
    addSingleRun(app, bubble, "bubble", "Bubble-column reactors: one run from the field texts.",
                 "kaskad-cli bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv");
    addSingleRun(app, gaslift, "gaslift", "Gas-lift reactors: one run from the field texts.",
                 "kaskad-cli gaslift --N 3 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format json");

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

    if (app.got_subcommand("bubble"))
        return runSingle(bubble);
    return runSingle(gaslift);
}

} // namespace kaskad::cli
