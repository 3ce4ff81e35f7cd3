#include "openurl.h"

#include "httpget.h"
#include "msinetvm.h"

#include <wininet.h>

namespace instalio::msinetvm {

DWORD OpenURL(const std::string& url, std::string& response, DWORD silenceMs) {
    response.clear();
    std::string body;
    bool tooLong = false;
    DWORD status = 0;
    DWORD error = HttpGet(
        url, silenceMs,
        [&](const char* data, DWORD size) {
            tooLong = body.size() + size > MSINETVM_MAX_RESPONSE_BYTES;
            if (!tooLong) {
                body.append(data, size);
            }
            return !tooLong;
        },
        status);
    // Far longer than any answer, or nothing in time: the server has no answer.
    if (tooLong || error == ERROR_INTERNET_TIMEOUT) {
        return ERROR_SUCCESS;
    }
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (status >= 200 && status <= 299) {
        response = std::move(body);
    }
    return ERROR_SUCCESS;
}

} // namespace instalio::msinetvm
