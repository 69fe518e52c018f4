// "sensitivity bubble|gaslift": central differences at one point, ranked by
// the tolerances given.
#include "cli/sensitivity_command.h"

#include "cli/commands.h"
#include "cli/design_examples.h"
#include "cli/output_formats.h"
#include "cli/output_stream.h"
#include "formats/design_output.h"
#include "study/study_error.h"

#include <iostream>
#include <map>

namespace kaskad::cli {

namespace {

struct DesignOptions {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields;
    std::vector<std::string> tolerances;
    formats::OutputFormat format{};
};

// The command the help shows: the design's worked example with tolerances
// on its temperature and air velocity.
std::string exampleOf(const DesignDescription& model)
{
    std::string example = "kaskad-cli sensitivity " + std::string(model.name);
    for (const FieldDescription& field : model.fields)
        if (field.converted())
            example += ' ' + fieldOption(field.name) + ' ' + std::string(field.example);
    return example + " --tolerance t=±1 --tolerance 'wg=±5%'";
}

void addDesign(CLI::App& sensitivity, DesignOptions& options, const DesignDescription& model)
{
    CLI::App* command =
        sensitivity.add_subcommand(std::string(model.name), std::string(model.title) + ": the outlet's derivatives.");
    command->footer("Each field but N is changed by 0.1 % of its value (0.001 when it is 0) and by half that,\n"
                    "either way: the derivative is the narrower central difference, its error the two's\n"
                    "difference. The margin is the criterion margin of the outlet.\n\nExample:\n  " +
                    exampleOf(model) + "\n");
    for (const FieldDescription& f : model.fields) {
        CLI::Option* option = command->add_option(fieldOption(f.name), options.fields[f.field], std::string(f.help));
        option->type_name(f.converted() ? "NUMBER" : "TEXT");
        if (f.converted())
            option->required();
    }
    command
        ->add_option("--tolerance", options.tolerances,
                     "what the plant holds a field to, FIELD=±D or FIELD=±P% (+- for ±); the fields are ranked "
                     "by how far it moves the margin")
        ->type_name("FIELD=±D");
    addFormatOption(*command, kAnswers, options.format);
}

int runSensitivity(const DesignOptions& options, StandardOutput& out)
{
    std::optional<study::FieldPoint> point;
    std::map<std::string, study::Tolerance> tolerances;
    try {
        point.emplace(options.model, options.fields, '.');
        for (const std::string& text : options.tolerances) {
            study::FieldTolerance tolerance = study::parseFieldTolerance(text, '.');
            point->field(tolerance.field);
            tolerances[tolerance.field] = tolerance.tolerance;
        }
    } catch (const study::StudyError& error) {
        std::cerr << error.message() << "\nRun with --help for more information.\n";
        return kExitUsage;
    }
    const study::SensitivityResult result = study::sensitivity(*point, tolerances);
    formats::writeSensitivityResult(out.stream(), *point, result, options.format);
    out.flush();
    return kExitSuccess;
}

} // namespace

struct SensitivityCommand::Options {
    std::array<DesignOptions, kModelKinds.size()> designs; // in kModelKinds' order
    CLI::App* command = nullptr;
};

SensitivityCommand::SensitivityCommand(CLI::App& app) : options_(std::make_unique<Options>())
{
    Options& o = *options_;
    o.command = app.add_subcommand(
        "sensitivity", "How the outlet of one design answers small changes of each field, ranked by tolerances.");
    o.command->require_subcommand(1);
    for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
        o.designs[k].model = kModelKinds[k];
        addDesign(*o.command, o.designs[k], describe(kModelKinds[k]));
    }
}

SensitivityCommand::~SensitivityCommand() = default;

bool SensitivityCommand::parsed() const { return options_->command->parsed(); }

int SensitivityCommand::run(StandardOutput& out)
{
    return runSensitivity(parsedDesign(*options_->command, options_->designs), out);
}

} // namespace kaskad::cli
