// The URL request of the Internet transfer: an HTTP GET on WinINet that gives the response body
// as text.
#pragma once

#include "msinetvm.h"

#include <windows.h>

#include <string>

namespace instalio::msinetvm {

// Fetches `url` afresh (no cached copy) into `response`. Returns 0 when the server answered, or
// the error code of a request that failed (the server cannot be reached, the connection broke
// or closed without an answer). An answer that is no success (HTTP status outside 200 to 299),
// whose body is longer than the library's bound, or that does not come in time (the head
// within `silenceMs` of the request, each part of the body within `silenceMs` of the part
// before) gives an empty response: the server has no answer to the question.
DWORD OpenURL(const std::string& url, std::string& response,
              DWORD silenceMs = MSINETVM_TIMEOUT_MILLISECONDS);

} // namespace instalio::msinetvm
