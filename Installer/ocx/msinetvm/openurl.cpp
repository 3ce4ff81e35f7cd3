#include "openurl.h"

#include "handle.h"
#include "msinetvm.h"

#include <wininet.h>

namespace instalio::msinetvm {

namespace {

struct CloseInternet {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using ScopedInternet = ScopedResource<HINTERNET, CloseInternet>;

DWORD LastErrorOr(DWORD fallback) {
    DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : fallback;
}

void SetTimeouts(HINTERNET session) {
    DWORD timeout = MSINETVM_TIMEOUT_MILLISECONDS;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionA(session, option, &timeout, sizeof timeout);
    }
}

// A number of the reply's HTTP head into `value`; false, and `value` unchanged, when the head
// has none.
bool QueryNumber(HINTERNET request, DWORD query, DWORD& value) {
    DWORD number = 0;
    DWORD size = sizeof number;
    if (!HttpQueryInfoA(request, query | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr)) {
        return false;
    }
    value = number;
    return true;
}

} // namespace

DWORD OpenURL(const std::string& url, std::string& response) {
    response.clear();
    ScopedInternet session(
        InternetOpenA("Installer", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.valid()) {
        return LastErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
    }
    SetTimeouts(session.get());
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES;
    ScopedInternet request(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, flags, 0));
    if (!request.valid()) {
        return LastErrorOr(ERROR_INTERNET_CANNOT_CONNECT);
    }
    // An HTTP reply has a status; a reply without one never came. Other schemes have none.
    DWORD status = 200;
    const bool http = QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, status);
    if (http && (status < 100 || status > 599)) {
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    }
    DWORD length = 0;
    const bool hasLength = http && QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH, length);

    std::string body;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), buffer, sizeof buffer, &got)) {
            return LastErrorOr(ERROR_INTERNET_CONNECTION_ABORTED);
        }
        if (got == 0) {
            break;
        }
        if (body.size() + got > MSINETVM_MAX_RESPONSE_BYTES) {
            return ERROR_SUCCESS; // far longer than any answer: none
        }
        body.append(buffer, got);
    }
    if (hasLength && body.size() != length) {
        return ERROR_INTERNET_CONNECTION_ABORTED; // the reply was cut off
    }
    if (status >= 200 && status <= 299) {
        response = std::move(body);
    }
    return ERROR_SUCCESS;
}

} // namespace instalio::msinetvm
