// kaskad-cli: the reactor series calculations without windows, for scripts
// and batch work.
#include "cli/commands.h"
#include "numeric/extended.h"

#include <malloc.h>

namespace {

// A sweep frees thousands of runs at its end, and each free at the top of
// the heap would hand a page back to the system by a call of its own: a
// batch process keeps up to 64 MB free for its next allocations instead.
// Blocks below 32 MB come from the heap, as the default lets them once it
// has seen them freed.
void keepFreedMemory()
{
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

} // namespace

int main(int argc, char** argv)
{
    keepFreedMemory();
    kaskad::setCalculationFloatingPointEnvironment();
    return kaskad::cli::runCommandLine(argc, argv);
}
