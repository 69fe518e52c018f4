// libFuzzer target for the sweep field values and the plans made of them. The
// input's first byte picks the decimal separator and the model; its lines are
// the option texts of the fields. A text either is a study error or stands for
// at most the allowed number of values: a plain text for itself, a single
// range for distinct numbers the field reads. A plan counts every combination
// of its fields' values, and its last point takes the last of each.
#include "model/run_record.h"
#include "numeric/errors.h"
#include "numeric/number_text.h"
#include "study/field_values.h"
#include "study/study_error.h"
#include "study/sweep_plan.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using kaskad::DecimalSeparator;
namespace study = kaskad::study;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool readsAsNumber(const std::string& text, DecimalSeparator separator)
{
    try {
        kaskad::TextToNumber(text, separator);
        return true;
    } catch (const kaskad::EConvertError&) {
        return false;
    }
}

void checkFieldValues(std::string_view text, DecimalSeparator separator)
{
    std::vector<std::string> texts;
    try {
        texts = study::fieldValueTexts(text, separator);
    } catch (const study::StudyError&) {
        return;
    }
    require(!texts.empty() && texts.size() <= study::kMaxFieldValues);
    if (!study::isSweepText(text)) {
        require(texts.size() == 1 && texts.front() == text);
        return;
    }
    if (text.find(';') != std::string_view::npos)
        return;
    for (const std::string& value : texts)
        require(readsAsNumber(value, separator));
    require(std::set<std::string>(texts.begin(), texts.end()).size() == texts.size());
}

void checkPlan(kaskad::ModelKind model, const kaskad::FieldTexts& fields, DecimalSeparator separator)
{
    try {
        const study::SweepPlan plan(model, fields, separator);
        std::size_t points = 1;
        for (const study::SweepField& swept : plan.sweptFields())
            points *= swept.texts.size();
        require(plan.pointCount() == points && points <= study::kMaxPlanPoints);
        const kaskad::FieldTexts last = plan.pointFields(points - 1);
        for (const study::SweepField& swept : plan.sweptFields())
            require(last[swept.field] == swept.texts.back());
    } catch (const study::StudyError&) {}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const DecimalSeparator separator = (data[0] & 1) ? ',' : '.';
    const kaskad::ModelKind model = (data[0] & 2) ? kaskad::ModelKind::gaslift : kaskad::ModelKind::bubble;
    std::string_view lines(reinterpret_cast<const char*>(data + 1), size - 1);
    kaskad::FieldTexts fields;
    for (std::string& field : fields) {
        const std::size_t end = std::min(lines.find('\n'), lines.size());
        field = lines.substr(0, end);
        lines.remove_prefix(std::min(end + 1, lines.size()));
        checkFieldValues(field, separator);
    }
    checkPlan(model, fields, separator);
    return 0;
}
