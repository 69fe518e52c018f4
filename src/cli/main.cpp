// kaskad-cli: the reactor series calculations without windows, for scripts
// and batch work.
#include "cli/commands.h"
#include "numeric/extended.h"

int main(int argc, char** argv)
{
    kaskad::setCalculationFloatingPointEnvironment();
    return kaskad::cli::runCommandLine(argc, argv);
}
