#pragma once
// WinINet handles, closed with InternetCloseHandle by the shared handle owner.
#include <windows.h>

#include <wininet.h>

#include "base/handle.h"

namespace qv {

struct InternetTraits {
    using Value = HINTERNET;
    static Value Invalid() { return nullptr; }
    static void Close(Value handle) { InternetCloseHandle(handle); }
};
using InternetHandle = UniqueHandle<InternetTraits>;

}  // namespace qv
