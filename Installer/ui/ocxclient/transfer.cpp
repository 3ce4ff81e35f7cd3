#include "transfer.h"

#include "control_libraries.h"

#include <memory>

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
    // The library's body goes back to it also when the copy fails.
    auto release = [transfer](char* given) { transfer->ReleaseBody(given); };
    std::unique_ptr<char, decltype(release)> owned(body, release);
    if (owned != nullptr) {
        response.assign(owned.get(), length);
    }
    return error;
}

} // namespace instalio::ocx
