// The URL request behind the wizard's Internet Transfer element (WebTransfer.OpenURL): an HTTP
// GET on WinINet that gives the response body as text.
#pragma once

#include <string>

#include "win.h"

namespace instalio {

// The longest response body taken, in bytes. The update query's reply is 42 digits.
constexpr std::size_t kMaxResponseBytes = 65536;

// How long the request waits to connect, and then for each part of the reply.
constexpr DWORD kRequestTimeoutMilliseconds = 20000;

// Fetches `url` afresh (no cached copy) into `response`. Returns 0 when the server answered, or
// the error code of a request that failed (the server cannot be reached, the connection broke,
// no reply in time). An answer that is no success (HTTP status outside 200 to 299), or whose
// body is longer than kMaxResponseBytes, gives an empty response: the server has no answer to
// the question.
DWORD OpenURL(const std::string& url, std::string& response);

} // namespace instalio
