// The example commands each design's subcommands show in their help.
#pragma once

#include "model/design.h"

#include <CLI/CLI.hpp>

#include <array>
#include <stdexcept>
#include <string>

namespace kaskad::cli {

struct DesignExamples {
    const char* run;
    const char* sweep;
    const char* optimize;
    const char* solve;
    const char* uncertainty;
};

constexpr DesignExamples examplesOf(ModelKind model)
{
    switch (model) {
    case ModelKind::bubble:
        return {"kaskad-cli bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv\n"
                "  kaskad-cli bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 "
                "--plot profile.svg",
                "kaskad-cli sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.03:0.07:0.01 --t '430;433;436' --dtr 2 "
                "--d 3 --ts 3600 --outlet --criterion",
                "kaskad-cli optimize bubble --N 10:24 --y10 2.6:3.6 --y50 2.7:3.5 --wg 0.05:0.4 --t 433 --dtr 2 "
                "--d 3 --ts 300:1800",
                "kaskad-cli solve bubble --N 12 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 100:3000 "
                "--target 'y1=0.02'",
                "kaskad-cli uncertainty bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4±5% --t 433±1 --dtr 2 --d 3 "
                "--ts 'normal(305;20)' --quantity y1 --indices"};
    case ModelKind::gaslift:
        break;
    }
    return {"kaskad-cli gaslift --N 3 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format json\n"
            "  kaskad-cli gaslift --N 12 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 "
            "--plot profile.png --plot-size 1600x1000",
            "kaskad-cli sweep gaslift --N 1:12:1 --y10 3 --y50 2 --wg 0.05 --t 440:460:5 --dtr 2 "
            "--ts 1800:3600:600 --only-meeting --outlet --format json",
            "kaskad-cli optimize gaslift --N 4:12 --y10 3 --y50 2 --wg 0.02:0.2 --t 440:460 --dtr 2 "
            "--ts 1800:3600 --maximize y3 --subject-to 'y1<=0.02'",
            "kaskad-cli solve gaslift --N 12 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 300:3600 "
            "--target 'y1=0.02'",
            "kaskad-cli uncertainty gaslift --N 12 --y10 2.6 --y50 3.025 --wg 0.06462 --t 'triangular(438;440;442)' "
            "--dtr 2 --ts 300±10% --format json"};
}

// The options of the subcommand that was parsed among a design's
// subcommands of `parent`, one per design in kModelKinds' order.
template <class Options, std::size_t count>
Options& parsedDesign(const CLI::App& parent, std::array<Options, count>& options)
{
    for (std::size_t k = 0; k < count; ++k)
        if (parent.got_subcommand(std::string(modelName(kModelKinds[k]))))
            return options[k];
    throw std::logic_error("no design's subcommand was parsed");
}

} // namespace kaskad::cli
