#include "transfer.h"

#include "control_libraries.h"

namespace instalio::ocx {

DWORD OpenURL(const std::string& url, std::string& response) {
    response.clear();
    const MsInetVm* transfer = InternetTransfer();
    if (transfer == nullptr) {
        return ERROR_MOD_NOT_FOUND;
    }
    char* body = nullptr;
    std::uint32_t length = 0;
    std::uint32_t error = transfer->OpenURL(url.c_str(), &body, &length);
    if (body != nullptr) {
        response.assign(body, length);
        transfer->ReleaseBody(body);
    }
    return error;
}

} // namespace instalio::ocx
