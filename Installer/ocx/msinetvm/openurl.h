// The URL request of the Internet transfer: an HTTP GET on WinINet that gives the response body
// as text.
#pragma once

#include <windows.h>

#include <string>

namespace instalio::msinetvm {

// Fetches `url` afresh (no cached copy) into `response`. Returns 0 when the server answered, or
// the error code of a request that failed (the server cannot be reached, the connection broke,
// no reply in time). An answer that is no success (HTTP status outside 200 to 299), or whose
// body is longer than the library's bound, gives an empty response: the server has no answer to
// the question.
DWORD OpenURL(const std::string& url, std::string& response);

} // namespace instalio::msinetvm
