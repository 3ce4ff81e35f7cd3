// The exports of MSINETVM.OCX: its interface table and its class registration.
#include "msinetvm.h"
#include "openurl.h"

#include "module.h"
#include "registration.h"

#include <cstring>

namespace instalio::msinetvm {

namespace {

const ocx::ClassRegistration kRegistration = {MSINETVM_CLSID, MSINETVM_PROGID, "Internet transfer"};

uint32_t VMCALL OpenURLEntry(const char* url, char** body, uint32_t* length) {
    if (body == nullptr || length == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *body = nullptr;
    *length = 0;
    if (url == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return ocx::NoThrow<uint32_t>(ERROR_NOT_ENOUGH_MEMORY, [&]() -> uint32_t {
        std::string response;
        DWORD error = OpenURL(url, response);
        if (error != ERROR_SUCCESS) {
            return error;
        }
        char* copy = new char[response.size() + 1];
        std::memcpy(copy, response.data(), response.size());
        copy[response.size()] = '\0';
        *body = copy;
        *length = static_cast<uint32_t>(response.size());
        return ERROR_SUCCESS;
    });
}

void VMCALL ReleaseBody(char* body) {
    delete[] body;
}

const MsInetVm kInterface = {MSINETVM_VERSION, OpenURLEntry, ReleaseBody};

} // namespace

} // namespace instalio::msinetvm

extern "C" const MsInetVm* VMCALL MsInetVmInterface(uint32_t version) {
    return version == MSINETVM_VERSION ? &instalio::msinetvm::kInterface : nullptr;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return instalio::ocx::RegisterServer(instalio::msinetvm::kRegistration);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return instalio::ocx::UnregisterServer(instalio::msinetvm::kRegistration);
}
