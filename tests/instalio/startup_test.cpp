// Start-up: the machine checks in order, each failure with its message alone and nothing
// written, and a machine that passes getting the control files and the wizard.
#include "folders.h"
#include "registry.h"
#include "startup.h"
#include "support.h"
#include "system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace instalio::test {
namespace {

constexpr char kFrameworkKey[] = "SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0";

// The wizard window as start-up drives it: what was asked of it, in order.
class RecordingWindow final : public MainWindow {
public:
    bool Load() override {
        calls.push_back("Load");
        return true;
    }
    void SetMousePointer(int pointer) override {
        calls.push_back("MousePointer " + std::to_string(pointer));
    }
    void Show() override { calls.push_back("Show"); }
    std::vector<std::string> calls;
};

void SetFrameworkKey(bool present) {
    HKEY key = nullptr;
    if (present) {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFrameworkKey, 0, nullptr, 0,
                        KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr);
        RegCloseKey(key);
    } else {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kFrameworkKey, KEY_WOW64_32KEY, 0);
    }
}

BOOL WINAPI Windows98(LPOSVERSIONINFOA info) {
    info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 10;
    return TRUE;
}

HANDLE NoRights(const char*) {
    return INVALID_HANDLE_VALUE;
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        for (const char* file : {kCommonControlsFile, kInternetTransferFile}) {
            DeleteFileA((SystemDirectory() + file).c_str());
        }
    }
    void TearDown() override { ResetEngineState(); }
    static bool ControlFilesWritten() {
        return GetFileAttributesA((SystemDirectory() + kCommonControlsFile).c_str()) !=
                   INVALID_FILE_ATTRIBUTES &&
               GetFileAttributesA((SystemDirectory() + kInternetTransferFile).c_str()) !=
                   INVALID_FILE_ATTRIBUTES;
    }
};

TEST_F(Startup, EachFailedCheckShowsOnlyItsMessageAndWritesNothing) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no rights", [] { System.OpenRawDisk = NoRights; },
         "You need administrator privileges to run this application."},
        {"Windows 98", [] { System.GetVersionExA = Windows98; },
         "This application does not support Windows95/98/Millenium."},
        {"no .NET Framework", [] { SetFrameworkKey(false); },
         "You need Microsoft Framework .NET 3.5 installed to run this application."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetEngineState();
        SetFrameworkKey(true);
        c.arrange();
        RecordingWindow window;
        std::vector<ShownBox> boxes = BoxesShownBy([&] { Main(window); });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "");
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_FALSE(boxes[0].errorIcon);
        EXPECT_TRUE(window.calls.empty());
        EXPECT_FALSE(ControlFilesWritten());
    }
}

TEST_F(Startup, APassingMachineGetsTheControlFilesAndTheWizard) {
    SetFrameworkKey(true);
    RecordingWindow window;
    std::vector<ShownBox> boxes = BoxesShownBy([&] { Main(window); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ControlFilesWritten());
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"Load", "MousePointer 11", "Show", "MousePointer 0"}));
}

} // namespace
} // namespace instalio::test
