#include "httpget.h"

#include "errors.h"
#include "owners.h"

#include <wininet.h>

namespace instalio {

namespace {

struct CloseInternet {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using ScopedInternet = ScopedResource<HINTERNET, CloseInternet>;

// Bounds every wait of the request: the connection, sending, and each receive. Set on the
// request handle: WinINet under Wine takes no time-out from the session handle.
void SetTimeouts(HINTERNET request, DWORD milliseconds) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionA(request, option, &milliseconds, sizeof milliseconds);
    }
}

// True when a wait of `waited` ms reached the bound. The platform reports the end of such a wait
// under several codes (under Wine as a broken connection, or as the socket's own time-out), so
// the time it took tells.
bool ReachedBound(ULONGLONG waited, DWORD bound) {
    return waited >= bound - bound / 10;
}

// A number of the reply's HTTP head into `value`; false when the head has none.
bool QueryNumber(HINTERNET request, DWORD query, DWORD& value) {
    DWORD size = sizeof value;
    return HttpQueryInfoA(request, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != 0;
}

struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::string host;
    INTERNET_PORT port = 0;
    std::string object; // the path and the query
};

bool CrackUrl(const std::string& url, UrlParts& parts) {
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    std::string path(url.size() + 1, '\0');
    std::string extra(url.size() + 1, '\0');
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof components;
    components.lpszHostName = host;
    components.dwHostNameLength = sizeof host;
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = static_cast<DWORD>(path.size());
    components.lpszExtraInfo = extra.data();
    components.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &components) ||
        (components.nScheme != INTERNET_SCHEME_HTTP &&
         components.nScheme != INTERNET_SCHEME_HTTPS)) {
        return false;
    }
    parts.scheme = components.nScheme;
    parts.host = host;
    parts.port = components.nPort;
    // The request line cannot hold a blank: each one goes out as %20, as the platform's URL
    // requests send it.
    for (char c : path.substr(0, components.dwUrlPathLength) +
                      extra.substr(0, components.dwExtraInfoLength)) {
        parts.object += c == ' ' ? std::string("%20") : std::string(1, c);
    }
    if (parts.object.empty()) {
        parts.object = "/";
    }
    return true;
}

} // namespace

DWORD HttpGet(const std::string& url, DWORD silenceMs, const HttpBodySink& sink, DWORD& status) {
    status = 0;
    UrlParts parts;
    if (!CrackUrl(url, parts)) {
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    }
    ScopedInternet session(
        InternetOpenA("Installer", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.valid()) {
        return LastErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
    }
    ScopedInternet connection(InternetConnectA(session.get(), parts.host.c_str(), parts.port,
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.valid()) {
        return LastErrorOr(ERROR_INTERNET_CANNOT_CONNECT);
    }
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    if (parts.scheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    }
    ScopedInternet request(HttpOpenRequestA(connection.get(), "GET", parts.object.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
    if (!request.valid()) {
        return LastErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
    }
    SetTimeouts(request.get(), silenceMs);

    ULONGLONG started = GetTickCount64();
    const bool sent = HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0) != 0;
    const DWORD sendError = sent ? ERROR_SUCCESS : LastErrorOr(ERROR_INTERNET_CANNOT_CONNECT);
    // A head that took the whole bound did not come whole in time, even where the platform then
    // takes the lines that came as the head.
    if (ReachedBound(GetTickCount64() - started, silenceMs) ||
        sendError == ERROR_INTERNET_TIMEOUT) {
        return ERROR_INTERNET_TIMEOUT;
    }
    if (!sent) {
        return sendError;
    }
    // A reply without a status never came.
    if (!QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, status) || status < 100 ||
        status > 599) {
        status = 0;
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    }
    DWORD length = 0;
    const bool hasLength = QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH, length);

    char buffer[4096];
    ULONGLONG received = 0;
    for (;;) {
        DWORD got = 0;
        started = GetTickCount64();
        if (!InternetReadFile(request.get(), buffer, sizeof buffer, &got)) {
            const DWORD error = LastErrorOr(ERROR_INTERNET_CONNECTION_ABORTED);
            return ReachedBound(GetTickCount64() - started, silenceMs) ? ERROR_INTERNET_TIMEOUT
                                                                       : error;
        }
        if (got == 0) {
            break;
        }
        received += got;
        if (!sink(buffer, got)) {
            return ERROR_CANCELLED;
        }
    }
    if (hasLength && received != length) {
        return ERROR_INTERNET_CONNECTION_ABORTED;
    }
    return ERROR_SUCCESS;
}

} // namespace instalio
