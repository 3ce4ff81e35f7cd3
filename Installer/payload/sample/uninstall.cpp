// Sample uninstaller of the suite (cabinet 102, placed in the system folder): the uninstall
// entry names it. It stands in for the suite's uninstaller until the real payload replaces it,
// removes nothing, and only says so.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    std::string text = "This is the sample uninstaller of the setup program's sample payload.\r\n"
                       "It removes nothing; the suite's own uninstaller takes its place in a "
                       "real build.\r\n\r\nCommand line: ";
    text += commandLine;
    MessageBoxA(nullptr, text.c_str(), "OstrevantUninstall (sample)", MB_OK | MB_ICONINFORMATION);
    return 0;
}
