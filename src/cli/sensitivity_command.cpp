// "sensitivity bubble|gaslift": central differences at one point, ranked by
// the tolerances given, and the margin's tornado chart.
#include "cli/sensitivity_command.h"

#include "cli/commands.h"
#include "cli/design_examples.h"
#include "cli/output_formats.h"
#include "cli/output_stream.h"
#include "cli/plot/tornado_plot.h"
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
    PlotOptions plot;
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
    addPlotOptions(*command, options.plot, "the criterion margin's tornado chart");
}

// A bar per field whose runs at either end of its tolerance gave a margin.
TornadoPlot tornadoOf(const study::FieldPoint& point, const study::SensitivityResult& result)
{
    TornadoPlot plot{{}, *result.margin, chart::profileCaption(point.model(), point.texts())};
    for (const study::FieldSensitivity& field : result.fields)
        if (field.marginBelow && field.marginAbove)
            plot.bars.push_back(TornadoPlotBar{field.field.name + ' ' + formats::sensitivityToleranceText(field),
                                               *field.marginBelow, *field.marginAbove});
    return plot;
}

// Draws the margin's tornado chart; a nominal run or fields without a margin
// write no plot and give the output failure status.
int plotSensitivity(const PlotOptions& options, const study::FieldPoint& point, const study::SensitivityResult& result)
{
    if (!result.margin) {
        std::cerr << "kaskad-cli: no plot written: the nominal run gave no criterion margin\n";
        return kExitOutputFailed;
    }
    const TornadoPlot plot = tornadoOf(point, result);
    if (plot.bars.empty()) {
        std::cerr << "kaskad-cli: no plot written: no field gave a margin at both ends of its tolerance\n";
        return kExitOutputFailed;
    }
    return writeReportedPlot([&] { writeTornadoPlot(plot, options.path, options.size); });
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
    const InterruptionStop interruption;
    const study::SensitivityResult result = study::sensitivity(*point, tolerances, interruption.token());
    formats::writeSensitivityResult(out.stream(), *point, result, options.format);
    out.flush();
    // Stopped, it has no plot: the signal gives the status.
    return options.plot.path.empty() || result.stopped ? kExitSuccess : plotSensitivity(options.plot, *point, result);
}

class SensitivityCommand final : public Subcommand {
public:
    explicit SensitivityCommand(CLI::App& app)
    {
        command_ = app.add_subcommand(
            "sensitivity", "How the outlet of one design answers small changes of each field, ranked by tolerances.");
        command_->require_subcommand(1);
        for (std::size_t k = 0; k < kModelKinds.size(); ++k) {
            designs_[k].model = kModelKinds[k];
            addDesign(*command_, designs_[k], describe(kModelKinds[k]));
        }
    }

    bool parsed() const override { return command_->parsed(); }
    int run(StandardOutput& out) override { return runSensitivity(parsedDesign(*command_, designs_), out); }

private:
    std::array<DesignOptions, kModelKinds.size()> designs_; // in kModelKinds' order
    CLI::App* command_ = nullptr;
};

} // namespace

std::unique_ptr<Subcommand> addSensitivityCommand(CLI::App& app) { return std::make_unique<SensitivityCommand>(app); }

} // namespace kaskad::cli
