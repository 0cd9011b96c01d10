#include "app/fleet_settings.h"

#include <algorithm>

#include "app/settings.h"

namespace qv {
namespace {

constexpr std::uint32_t kOneSecondPauseMs = 1000;

int FleetValue(Profile& profile, const char* key, int low, int high, int fallback) {
    return ReadBoundedSetting(profile, key, kFleetSection, low, high, fallback);
}

}  // namespace

FleetSettings ReadFleetSettings(Profile& profile) {
    FleetSettings settings;
    settings.drainSeconds = FleetValue(profile, kKeyDrainSeconds, 0, 60, 0);
    settings.pauseSeconds = FleetValue(profile, kKeyPauseSeconds, 1, 60, 0);
    settings.jitterPercent = FleetValue(profile, kKeyJitterPercent, 0, 50, 0);
    return settings;
}

std::uint32_t RedialPauseMs(const FleetSettings& settings, int repeatsSoFar) {
    if (settings.pauseSeconds == 0) {
        return kOneSecondPauseMs;
    }
    std::uint64_t pause = static_cast<std::uint64_t>(settings.pauseSeconds) * 1000;
    for (int i = 0; i < repeatsSoFar && pause < kLongestPauseMs; ++i) {
        pause *= 2;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(pause, kLongestPauseMs));
}

std::uint32_t JitteredIntervalMs(std::uint32_t intervalMs, int jitterPercent, std::uint32_t draw) {
    if (jitterPercent <= 0 || intervalMs == 0) {
        return intervalMs;
    }
    const std::uint64_t spread = static_cast<std::uint64_t>(intervalMs) * jitterPercent / 100;
    // draw / 2^32 of the way from interval - spread to interval + spread.
    const std::uint64_t offset = (2 * spread + 1) * draw >> 32;
    return static_cast<std::uint32_t>(intervalMs - spread + offset);
}

}  // namespace qv
