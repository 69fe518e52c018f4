// Expanding a sweep into points, cutting it into shards, and the limits on
// the points one machine runs.
#include "study/sweep_plan.h"

#include "study/study_error.h"

#include <charconv>

namespace kaskad::study {

SweepPlan::SweepPlan(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator)
    : model_(model), separator_(separator), fixed_(optionTexts)
{
    if (separator.text() == ":" || separator.text() == ";")
        throw StudyError("a sweep cannot use '" + std::string(separator.text()) +
                         "' as decimal separator: it separates the values of ranges and lists");
    for (const FieldDescription& description : modelFields(model)) {
        const std::string& optionText = optionTexts[description.field];
        if (!description.converted() || !isSweepText(optionText))
            continue;
        SweepField field;
        field.field = description.field;
        field.name = std::string(description.name);
        try {
            field.texts = fieldValueTexts(optionText, separator);
        } catch (const StudyError& error) {
            throw StudyError(fieldOption(field.name) + ": " + error.message());
        }
        if (pointCount_ > kMaxPlanPoints / field.texts.size())
            throw StudyError("the sweep has more than " + std::to_string(kMaxPlanPoints) + " points");
        pointCount_ *= field.texts.size();
        // Each point copies the fixed texts: a swept field's whole list need not come along.
        fixed_[description.field].clear();
        swept_.push_back(std::move(field));
    }
    // The last field varies fastest.
    strides_.resize(swept_.size());
    std::size_t stride = 1;
    for (std::size_t f = swept_.size(); f-- > 0;) {
        strides_[f] = stride;
        stride *= swept_[f].texts.size();
    }
}

FieldTexts SweepPlan::pointFields(std::size_t index) const
{
    FieldTexts fields = fixed_;
    for (std::size_t f = 0; f < swept_.size(); ++f)
        fields[swept_[f].field] = swept_[f].texts[textIndex(index, f)];
    return fields;
}

PointRange shardRange(std::size_t pointCount, Shard shard)
{
    using Wide = unsigned __int128;
    const auto boundary = [&](std::size_t k) { return static_cast<std::size_t>(Wide(pointCount) * k / shard.count); };
    return {boundary(shard.index - 1), boundary(shard.index)};
}

std::optional<Shard> parseShard(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto number = [](std::string_view digits) -> std::optional<std::size_t> {
        std::size_t value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return value;
    };
    const std::optional<std::size_t> index = number(text.substr(0, slash));
    const std::optional<std::size_t> count = number(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count || *count > kMaxShards)
        return std::nullopt;
    return Shard{*index, *count};
}

void checkPointsToRun(const SweepPlan& plan, PointRange points, std::string_view what)
{
    if (points.begin > points.end || points.end > plan.pointCount())
        throw StudyError("the points must lie within the sweep's " + std::to_string(plan.pointCount()));
    if (points.size() <= kMaxSweepPoints)
        return;
    const std::string limit = "more than " + std::to_string(kMaxSweepPoints) + " points";
    if (what.empty())
        throw StudyError("the sweep has " + limit + ": cut it into parts of at most " +
                         std::to_string(kMaxSweepPoints) + " points");
    throw StudyError(std::string(what) + " of the sweep has " + limit + ": cut it into more pieces");
}

} // namespace kaskad::study
