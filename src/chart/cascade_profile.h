// The cascade profile of a run: each pane's stored values against the
// reactor number, and the caption line that names the model and the run's
// field texts. Free of Qt: kaskad-cli forms these before it loads its plot
// module.
#pragma once

#include "model/run_record.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaskad::chart {

// The values of one pane against the reactor number.
using PaneProfile = std::vector<std::pair<std::int32_t, double>>;
// Text1..Text12's profiles, by pane.
using CascadeProfile = PaneArray<PaneProfile>;

// The recorded values of each pane; a failed run gives what it stored.
inline CascadeProfile cascadeProfile(const RunRecord& run)
{
    CascadeProfile profile;
    for (const ReactorResult& reactor : run.reactors)
        for (Pane pane : kStoreOrder)
            if (reactor.has(pane))
                profile[pane].emplace_back(reactor.reactor(), reactor.value(pane));
    return profile;
}

// "Тевир Барботажный: N=24, y10=3, …": the model and the field texts of a run.
inline std::string profileCaption(ModelKind model, const FieldTexts& fields)
{
    std::string caption(modelCaption(model));
    for (const FieldDescription& field : modelFields(model))
        ((((caption += field.field == fieldN ? ": " : ", ") += field.name) += '=') += fields[field.field]);
    return caption;
}

// A run among several on one chart: the number it is known by, the field
// texts it read, and what it is called: a run of a model window, or a point
// of a study.
struct NumberedRun {
    std::size_t number;
    const FieldTexts* fields;
    std::string_view noun = "Расчёт";
};

// The caption and legend entries of several runs of one model on one chart.
struct RunsTexts {
    std::string caption;              // the model and the field texts all runs share
    std::vector<std::string> legends; // "Расчёт 3: N=24, wg=0.05" in the runs' order
};

// Each legend entry names the run and the texts of the fields in which the
// runs differ; runs that differ in none are told by their N.
inline RunsTexts runsTexts(ModelKind model, std::span<const NumberedRun> runs)
{
    const auto differs = [&](Field field) {
        return std::any_of(runs.begin(), runs.end(),
                           [&](const NumberedRun& run) { return (*run.fields)[field] != (*runs[0].fields)[field]; });
    };
    const auto named = [](const FieldDescription& field, const std::string& text) {
        return std::string(field.name) + '=' + text;
    };
    RunsTexts texts{std::string(modelCaption(model)), {}};
    std::vector<const FieldDescription*> differing;
    bool shared = false;
    for (const FieldDescription& field : modelFields(model)) {
        if (runs.empty())
            break;
        if (differs(field.field)) {
            differing.push_back(&field);
            continue;
        }
        (texts.caption += shared ? ", " : ": ") += named(field, (*runs[0].fields)[field.field]);
        shared = true;
    }
    if (differing.empty())
        differing.push_back(&modelFields(model)[0]);
    for (const NumberedRun& run : runs) {
        std::string legend = std::string(run.noun) + ' ' + std::to_string(run.number);
        for (std::size_t d = 0; d < differing.size(); ++d)
            (legend += d == 0 ? ": " : ", ") += named(*differing[d], (*run.fields)[differing[d]->field]);
        texts.legends.push_back(std::move(legend));
    }
    return texts;
}

} // namespace kaskad::chart
