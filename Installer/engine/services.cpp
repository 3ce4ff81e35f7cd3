#include "services.h"

#include "owners.h"

namespace instalio {

namespace {

std::string QuotedWhenBlank(const std::string& path) {
    bool quoted = !path.empty() && path.front() == '"';
    bool blank = path.find_first_of(" \t") != std::string::npos;
    return blank && !quoted ? "\"" + path + "\"" : path;
}

} // namespace

void CreateAndStartService(const std::string& ServiceName, const std::string& ExecutablePath) {
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager.valid()) {
        return;
    }
    std::string path = QuotedWhenBlank(ExecutablePath);
    ScopedServiceHandle service(
        CreateServiceA(manager.get(), ServiceName.c_str(), ServiceName.c_str(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                       path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service.valid()) {
        return;
    }
    StartServiceA(service.get(), 0, nullptr);
}

} // namespace instalio
