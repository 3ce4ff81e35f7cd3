// The Internet transfer through MSINETVM.OCX: what the wizard's WebTransfer element calls.
#pragma once

#include <windows.h>

#include <string>

namespace instalio::ocx {

// Fetches `url` into `response` (see MSINETVM.OCX's OpenURL). Returns 0 when the server
// answered, or the failure code of the request; when the library cannot be used, the code of
// that failure, after the error box.
DWORD OpenURL(const std::string& url, std::string& response);

} // namespace instalio::ocx
