#pragma once
// How a node of a fleet redials, beside the proxy pool it publishes to: section 代理池 of
// Config.ini, read at start-up and never written. Without these keys every redial is as the
// buttons' always was: no drain, a one-second pause, the timer's own interval.
#include <cstdint>

#include "app/ports.h"

namespace qv {

inline constexpr const char* kFleetSection = "代理池";
inline constexpr const char* kKeyDrainSeconds = "摘除等待";
inline constexpr const char* kKeyPauseSeconds = "断线等待";
inline constexpr const char* kKeyJitterPercent = "定时抖动";

inline constexpr std::uint32_t kLongestPauseMs = 60'000;

struct FleetSettings {
    int drainSeconds = 0;   // 0-60: after the withdraw, before the hang-up
    int pauseSeconds = 0;   // 1-60; 0: the one-second pause that never grows
    int jitterPercent = 0;  // 0-50: each timed redial's wait is the interval +- this much
};

// A value out of its range, or no number at all, keeps the default.
FleetSettings ReadFleetSettings(Profile& profile);

// The pause before the dial of a redial's round: the one second without 断线等待; with it,
// its seconds, doubled after each repeated address within the command, at most 60 s.
std::uint32_t RedialPauseMs(const FleetSettings& settings, int repeatsSoFar);

// The timer's next wait: `intervalMs` moved by up to +- jitterPercent, `draw` being uniform in
// [0, 2^32).
std::uint32_t JitteredIntervalMs(std::uint32_t intervalMs, int jitterPercent, std::uint32_t draw);

}  // namespace qv
