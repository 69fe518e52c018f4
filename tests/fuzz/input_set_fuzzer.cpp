// libFuzzer target for the input-set loader: any bytes either read as the
// eight field texts or raise a FileProblem, and nothing else. A set that
// reads is written again and reads back to the same texts.
#include "formats/file_problem.h"
#include "formats/input_set.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace formats = kaskad::formats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    for (const kaskad::ModelKind model : {kaskad::ModelKind::bubble, kaskad::ModelKind::gaslift}) {
        kaskad::FieldTexts fields;
        try {
            fields = formats::readInputSet(json, model, '.');
        } catch (const formats::FileProblem&) {
            continue;
        }
        if (formats::readInputSet(formats::inputSetJson(model, fields, '.'), model, '.') != fields)
            std::abort();
    }
    return 0;
}
