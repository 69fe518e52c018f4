// The kaskad desktop program: the mode-selection window and the two model windows.
#include "app/program.h"
#include "app/start_options.h"
#include "app/window_system.h"

#include "numeric/extended.h"

#include <QApplication>

#include <iostream>
#include <optional>
#include <span>

namespace {

constexpr int kExitNoDisplay = 1;
constexpr int kExitUsage = 2;

// Prints --help or --version; a failed write is an error, not silence.
int printAndExit(const std::string& text)
{
    std::cout << text << std::flush;
    if (!std::cout) {
        std::cerr << "kaskad: standard output could not be written\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    kaskad::setCalculationFloatingPointEnvironment();
    const std::span<char* const> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    switch (kaskad::app::readStartRequest(arguments)) {
    case kaskad::app::StartRequest::printHelp:
        return printAndExit(kaskad::app::helpText());
    case kaskad::app::StartRequest::printVersion:
        return printAndExit(kaskad::app::versionText() + '\n');
    case kaskad::app::StartRequest::openWindows:
        break;
    }
    if (const auto unknown = kaskad::app::unknownArgument(arguments)) {
        std::cerr << "kaskad: unknown argument '" << *unknown << "' (see kaskad --help)\n";
        return kExitUsage;
    }
    // Without a display, or with one that does not answer, Qt would abort;
    // say so plainly instead.
    const kaskad::app::DisplaySettings display = kaskad::app::displaySettings(arguments);
    auto reason = kaskad::app::missingDisplayReason(display);
    kaskad::app::X11Connection answeringDisplay;
    if (!reason)
        reason = kaskad::app::unavailableWindowSystemReason(display, answeringDisplay);
    if (reason) {
        std::cerr << "kaskad: " << *reason << '\n';
        return kExitNoDisplay;
    }

    // A platform can still fail as it starts or opens its first window.
    std::optional<kaskad::app::WindowSystemStartGuard> startGuard(std::in_place, kExitNoDisplay);
    QApplication application(argc, argv);
    answeringDisplay.reset(); // Qt holds its own connection now
    // QApplication has taken Qt's own options out of argv; what is left is unknown.
    if (argc > 1) {
        std::cerr << "kaskad: unknown argument '" << argv[1] << "' (see kaskad --help)\n";
        return kExitUsage;
    }
    kaskad::app::adoptApplicationTitle();
    kaskad::app::installQtTranslations(QLocale());
    kaskad::app::Program program;
    program.start();
    startGuard.reset();
    return QApplication::exec();
}
