// Registry and service helpers against the registry and service manager of the Wine prefix.
#include "owners.h"
#include "registry.h"
#include "services.h"

#include "fixture_support.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

TEST(Registry, WritesAndReadsInTheViewOfA32BitProcess) {
    const std::string base =
        "SOFTWARE\\InstalioTest\\Registry" + std::to_string(GetCurrentProcessId());
    const std::string key = base + "\\Deep\\Key";
    DeleteTree(HKEY_LOCAL_MACHINE, base, KEY_WOW64_32KEY);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, key));

    RegWriteString(key, "Text", "caf\xE9 'quoted'");
    RegWriteString(key, "Empty", "");
    const std::vector<RegistryValue> expected = {
        {"Empty", REG_SZ, ""},
        {"Text", REG_SZ, "caf\xE9 'quoted'"},
    };
    EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY), expected);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, base, KEY_WOW64_64KEY))
        << "written to the 64-bit view";
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, base));

    std::string text = "unchanged";
    EXPECT_TRUE(RegReadString(HKEY_LOCAL_MACHINE, key, "Text", text));
    EXPECT_EQ(text, "caf\xE9 'quoted'");
    EXPECT_TRUE(RegReadString(HKEY_LOCAL_MACHINE, key, "Empty", text));
    EXPECT_EQ(text, "");

    // Not text, stored without a terminating zero, missing.
    ScopedRegKey opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                            opened.receive()),
              ERROR_SUCCESS);
    DWORD number = 7;
    RegSetValueExA(opened.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegSetValueExA(opened.get(), "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"),
                   3);
    text = "unchanged";
    EXPECT_FALSE(RegReadString(HKEY_LOCAL_MACHINE, key, "Number", text));
    EXPECT_FALSE(RegReadString(HKEY_LOCAL_MACHINE, key, "Missing", text));
    EXPECT_FALSE(RegReadString(HKEY_LOCAL_MACHINE, base + "\\Missing", "Text", text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(RegReadString(HKEY_LOCAL_MACHINE, key, "Unterminated", text));
    EXPECT_EQ(text, "abc");

    // Deleting needs a key without sub-keys.
    EXPECT_FALSE(RegDeleteSubKey(HKEY_LOCAL_MACHINE, base + "\\Deep"));
    EXPECT_TRUE(RegDeleteSubKey(HKEY_LOCAL_MACHINE, key));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, base + "\\Deep"));
    DeleteTree(HKEY_LOCAL_MACHINE, base, KEY_WOW64_32KEY);
}

// The service's configuration and state as the service manager holds them.
struct ServiceState {
    std::string path;
    std::string displayName;
    DWORD type = 0;
    DWORD start = 0;
    DWORD state = 0;
};

bool QueryService(const std::string& name, ServiceState& found) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScopedServiceHandle service(
        OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    if (!service.valid()) {
        return false;
    }
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
        return false;
    }
    found.path = config->lpBinaryPathName;
    found.displayName = config->lpDisplayName;
    found.type = config->dwServiceType;
    found.start = config->dwStartType;
    SERVICE_STATUS status = {};
    for (int wait = 0; wait < 50; ++wait) {
        QueryServiceStatus(service.get(), &status);
        if (status.dwCurrentState != SERVICE_START_PENDING) {
            break;
        }
        Sleep(100);
    }
    found.state = status.dwCurrentState;
    return true;
}

// Removes the service, if there is one, when the test begins and when it ends.
struct ServiceGuard {
    explicit ServiceGuard(std::string service) : name(std::move(service)) { RemoveService(name); }
    ~ServiceGuard() { RemoveService(name); }
    ServiceGuard(const ServiceGuard&) = delete;
    ServiceGuard& operator=(const ServiceGuard&) = delete;
    const std::string name;
};

TEST(Services, CreateAndStartServiceQuotesAPathWithBlanks) {
    ScratchFolder scratch;
    const std::string folder = scratch.path() + "service folder\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string program = folder + "fx service.exe";
    ASSERT_TRUE(CopyFileA(Fixture("fx_service.exe").c_str(), program.c_str(), FALSE));
    const std::string name = "InstalioTestService" + std::to_string(GetCurrentProcessId());
    ServiceGuard guard{name};

    CreateAndStartService(name, program);
    ServiceState state;
    ASSERT_TRUE(QueryService(name, state));
    EXPECT_EQ(state.path, "\"" + program + "\"");
    EXPECT_EQ(state.displayName, name);
    EXPECT_EQ(state.type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(state.start, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(state.state, static_cast<DWORD>(SERVICE_RUNNING));

    // A second time with the same name changes nothing.
    CreateAndStartService(name, scratch.path() + "other.exe");
    ASSERT_TRUE(QueryService(name, state));
    EXPECT_EQ(state.path, "\"" + program + "\"");
    EXPECT_EQ(state.state, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST(Services, PathWithoutBlanksIsKeptAsItIs) {
    const std::string name = "InstalioTestPlain" + std::to_string(GetCurrentProcessId());
    ServiceGuard guard{name};
    CreateAndStartService(name, "C:\\instalio-missing\\svc.exe");
    ServiceState state;
    ASSERT_TRUE(QueryService(name, state));
    EXPECT_EQ(state.path, "C:\\instalio-missing\\svc.exe");
    EXPECT_EQ(state.state, static_cast<DWORD>(SERVICE_STOPPED)) << "its program is missing";
}

} // namespace
