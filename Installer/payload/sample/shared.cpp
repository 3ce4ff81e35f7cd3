// Sample shared library of the suite (cabinet 102): a library with version information that
// stands in for the suite's shared libraries until the real payload replaces it.
#include <windows.h>

extern "C" __declspec(dllexport) int SampleSharedVersion() {
    return 1;
}
