#include "base/failure_record_win.h"

#include <cstdio>

namespace qv {

void RecordFailure(const char* call, DWORD code) {
    char line[160];
    std::snprintf(line, sizeof line, "Quorvane: %s failed, error %lu\n", call,
                  static_cast<unsigned long>(code));
    OutputDebugStringA(line);
}

void RecordFailure(const char* call, const char* detail) {
    char line[512];
    std::snprintf(line, sizeof line, "Quorvane: %s failed: %s\n", call, detail);
    OutputDebugStringA(line);
}

void RecordShown(const char* what, const char* detail) {
    char line[512];
    std::snprintf(line, sizeof line, "Quorvane: %s: %s\n", what, detail);
    OutputDebugStringA(line);
}

}  // namespace qv
