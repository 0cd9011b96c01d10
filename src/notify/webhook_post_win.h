#pragma once
// One POST of a JSON body through WinINet, with a time limit on connect, send and receive.
#include <windows.h>

#include <string>

namespace qv {

struct PostResult {
    bool delivered = false;   // a 2xx answer
    bool worthRetry = false;  // no answer, or one a later try may mend (408, 429, 5xx)
    DWORD status = 0;         // the HTTP status; 0 when none came
    DWORD error = 0;          // the system's error when no answer came
};

PostResult PostJson(const std::string& url, const std::string& body, DWORD limitMs);

}  // namespace qv
