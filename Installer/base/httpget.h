// One HTTP GET on WinINet whose every wait is bounded, for the update query (in MSINETVM.OCX)
// and the cabinet downloads. Everything runs on the calling thread: the bound is the platform's
// own time-outs, set on the request handle (the one place where they hold under Wine too).
#pragma once

#include "win.h"

#include <functional>
#include <string>

namespace instalio {

// Takes each part of the response body as it comes; false stops the transfer.
using HttpBodySink = std::function<bool(const char* data, DWORD size)>;

// Fetches `url` (http or https) afresh, without the cache, and hands its body to `sink`. The
// head of the reply must come within `silenceMs` of the request, and each part of the body
// within `silenceMs` of the part before. Returns:
// - 0 when the server answered in full, with its HTTP status in `status` (whatever it is; a body
//   that the head gives a length for came in that length);
// - ERROR_INTERNET_TIMEOUT when the server went silent for that long, the body cut short there;
// - ERROR_INTERNET_CONNECTION_ABORTED when the connection ended before the body was whole;
// - ERROR_HTTP_INVALID_SERVER_RESPONSE when the server closed without an answer, or gave no
//   valid status;
// - ERROR_CANCELLED when the sink stopped the transfer;
// - else the platform's error code (the server cannot be reached, the URL is no HTTP URL, ...).
DWORD HttpGet(const std::string& url, DWORD silenceMs, const HttpBodySink& sink, DWORD& status);

} // namespace instalio
