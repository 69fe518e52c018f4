# Kaskad computes in the x87 80-bit extended format; refuse any platform
# whose long double is something else.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([=[
#include <limits>
static_assert(std::numeric_limits<long double>::digits == 64, "");
#if !defined(__x86_64__) && !defined(__i386__)
#error no x87
#endif
int main() { return 0; }
]=] KASKAD_HAS_X87_EXTENDED)
if(NOT KASKAD_HAS_X87_EXTENDED)
  message(FATAL_ERROR
    "Kaskad needs long double to be the 80-bit x87 extended format (64-bit significand), "
    "as on x86-64 Linux. This platform's long double is different; the printed digits "
    "would not be Kaskad's.")
endif()
