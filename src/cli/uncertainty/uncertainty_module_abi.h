// What kaskad-cli and its uncertainty module exchange across dlopen: plain C
// structures and one entry point, so no C++ object or exception crosses.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// How a study ended: its report written, or why not.
enum KaskadUncertaintyStatus : int {
    kaskadUncertaintyDone = 0,
    kaskadUncertaintyUsage = 1,  // the fields or options cannot be run
    kaskadUncertaintyOutput = 2, // the samples file could not be written
    kaskadUncertaintyFailed = 3, // the statistics failed
};

// The study asked for. Texts are UTF-8 and NUL-terminated.
struct KaskadUncertaintyRequest {
    const char* model;             // "bubble", "gaslift"
    const char* const* fieldTexts; // one per field, in the order of the Field values
    std::size_t fieldCount;
    const char* separator; // the decimal separator's text
    std::size_t samples;
    std::uint64_t seed;
    const char* method; // "mc", "lhs", "sobol"
    unsigned jobs;
    int indices;                   // nonzero: Sobol' indices
    int rare;                      // nonzero: FORM and subset sampling
    const char* const* quantities; // outlet quantities' names
    std::size_t quantityCount;
    int json;                // nonzero: the JSON document, else text
    const char* samplesPath; // null: no samples file
    // Called on the calling thread, with the context below: the runs made
    // out of those planned, and whether to stop.
    void* context;
    void (*progress)(void* context, std::size_t done, std::size_t total);
    int (*stopRequested)(void* context);
};

// The module's answer; its texts are owned by the module and stay valid
// until the calling thread calls again.
struct KaskadUncertaintyAnswer {
    KaskadUncertaintyStatus status;
    const char* message; // what failed, when the status says so
    const char* report;  // the report, when done
    std::size_t reportSize;
    int stopped; // nonzero: the stop was asked for and the report covers the runs made
};

// Runs the study and fills the answer. Never throws.
using KaskadRunUncertainty = void (*)(const KaskadUncertaintyRequest* request,
                                      KaskadUncertaintyAnswer* answer) noexcept;

} // extern "C"

// The module's file name and the name of its entry point. The entry point's
// name carries the version of the structures above: a module built for other
// structures is refused rather than misread.
inline constexpr const char* kKaskadUncertaintyModuleFile = "kaskad-uncertainty.so";
inline constexpr const char* kKaskadRunUncertaintySymbol = "kaskad_run_uncertainty_v1";
