// Sample application of the suite (cabinet 103): it stands in for the suite's programs until
// the real payload replaces it, and only says so.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr,
                "This is the sample application of the setup program's sample payload.\r\n"
                "The suite's own files take its place in a real build.",
                SAMPLE_TITLE, MB_OK | MB_ICONINFORMATION);
    return 0;
}
