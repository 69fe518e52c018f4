// The cascade profile of a run: each pane's stored values against the
// reactor number, and the caption line that names the model and the run's
// field texts. Free of Qt: kaskad-cli forms these before it loads its plot
// module.
#pragma once

#include "model/run_record.h"

#include <array>
#include <cstdint>
#include <string>
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

} // namespace kaskad::chart
