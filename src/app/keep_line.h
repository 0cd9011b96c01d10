#pragma once
// Keeping the line up when nobody watches it: which dial failures are worth another try and
// how long to wait first, the least time between two dials, redialling after a drop, and how
// long to keep asking for the new address. Section 线路保持 of Config.ini, read at start-up and
// never written; without it every dial is one attempt, as a person's always is.
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/ports.h"
#include "base/text.h"

namespace qv {

inline constexpr const char* kKeepLineSection = "线路保持";
inline constexpr const char* kKeyRetries = "失败重试";
inline constexpr const char* kKeyRetryInterval = "重试间隔";
inline constexpr const char* kKeyMinimumGap = "最短间隔";
inline constexpr const char* kKeyRedialOnDrop = "掉线重拔";
inline constexpr const char* kKeyWaitForAddress = "等待IP";

inline constexpr std::uint32_t kMaxRetryWaitMs = 300'000;
// A busy port is the previous hang-up still finishing: it is asked again this soon.
inline constexpr std::uint32_t kBusyPortWaitMs = 1000;

struct KeepLineSettings {
    int retries = 0;               // further dials after a failed automatic one, 0-100
    int retryIntervalSeconds = 5;  // the first back-off, 1-300, doubling up to 300 s
    int minimumGapSeconds = 0;     // between two dials of the program, 0-3600
    bool redialOnDrop = false;
    int waitForAddressSeconds = 0;  // 0-120
};

// A value out of its range, or no number at all, keeps the default.
KeepLineSettings ReadKeepLineSettings(Profile& profile);

// Why a dial failed, as far as what to do next goes.
enum class DialErrorClass : std::uint8_t { None, Account, Busy, Line, Other };
DialErrorClass ClassifyDialError(std::uint32_t code);
// "account", "busy", "line", "other"; "" for None.
std::string_view DialErrorClassName(DialErrorClass kind);

// What follows a failed automatic dial, given how many retries were made already and how many
// account refusals came in a row (this one included).
struct RetryStep {
    bool retry = false;
    std::uint32_t waitMs = 0;
};
RetryStep NextRetry(const KeepLineSettings& settings, std::uint32_t code, int retriesMade,
                    int accountRefusalsInARow, std::uint32_t& backoffMs);

// IP查询地址 may list several pages separated by "|": each, trimmed, in order; empty ones left out.
std::vector<Text> EchoPageList(const Text& setting);

}  // namespace qv
