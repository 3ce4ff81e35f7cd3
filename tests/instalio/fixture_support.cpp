#include "fixture_support.h"

#include "owners.h"

#include <algorithm>

namespace instalio::test {

namespace {

constexpr const char* kRegistrationKey = "Software\\InstalioTest\\Registration";

} // namespace

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string FixtureFolder() {
    return ExeFolder() + "instalio-fixtures\\";
}

std::string Fixture(const std::string& name) {
    return FixtureFolder() + name;
}

int RunProgram(const std::string& CommandLine, const std::string& WorkingFolder, DWORD timeoutMs) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    std::string commandLine = CommandLine;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WorkingFolder.c_str(), &startup, &started)) {
        return -1;
    }
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -2;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

bool RegisterBuiltLibrary(const std::string& fileName) {
    return RunProgram("regsvr32.exe /S \"" + ExeFolder() + fileName + "\"", ExeFolder()) == 0;
}

void PrintTo(const RegistryValue& value, std::ostream* out) {
    *out << value.name << " (type " << value.type << ") = \"" << value.data << "\"";
}

std::vector<RegistryValue> ReadValues(HKEY root, const std::string& key, REGSAM view) {
    std::vector<RegistryValue> values;
    ScopedRegKey opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, opened.receive()) != ERROR_SUCCESS) {
        return values;
    }
    for (DWORD index = 0;; ++index) {
        char name[512];
        DWORD nameSize = sizeof name;
        BYTE data[4096];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(opened.get(), index, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            std::sort(values.begin(), values.end());
            return values;
        }
        std::string bytes(reinterpret_cast<const char*>(data), dataSize);
        if ((type == REG_SZ || type == REG_EXPAND_SZ) && !bytes.empty() && bytes.back() == '\0') {
            bytes.pop_back();
        }
        values.push_back({std::string(name, nameSize), type, bytes});
    }
}

bool KeyExists(HKEY root, const std::string& key, REGSAM view) {
    ScopedRegKey opened;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ | view, opened.receive()) == ERROR_SUCCESS;
}

bool WriteText(HKEY root, const std::string& key, const std::string& name, const std::string& text,
               REGSAM view) {
    ScopedRegKey opened;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                        opened.receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExA(opened.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::string& key, REGSAM view) {
    ScopedRegKey opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS | view, opened.receive()) ==
        ERROR_SUCCESS) {
        RegDeleteTreeA(opened.get(), nullptr);
    }
    RegDeleteKeyExA(root, key.c_str(), view, 0);
}

std::string RegistrationOf(const std::string& path) {
    for (const RegistryValue& value : ReadValues(HKEY_CURRENT_USER, kRegistrationKey, 0)) {
        if (lstrcmpiA(value.name.c_str(), path.c_str()) == 0) {
            return value.data;
        }
    }
    return {};
}

void ForgetRegistration(const std::string& path) {
    ScopedRegKey opened;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRegistrationKey, 0, KEY_SET_VALUE, opened.receive()) ==
        ERROR_SUCCESS) {
        RegDeleteValueA(opened.get(), path.c_str());
    }
}

void RemoveService(const std::string& name) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScopedServiceHandle service(
        manager.valid() ? OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS) : nullptr);
    if (!service.valid()) {
        return;
    }
    SERVICE_STATUS status = {};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    for (int wait = 0; wait < 50; ++wait) {
        if (!QueryServiceStatus(service.get(), &status) ||
            status.dwCurrentState == SERVICE_STOPPED) {
            break;
        }
        Sleep(100);
    }
    DeleteService(service.get());
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    UINT length = GetSystemDirectoryA(path, sizeof path);
    return std::string(path, length) + "\\";
}

} // namespace instalio::test
