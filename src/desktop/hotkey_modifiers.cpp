#include "desktop/hotkey_modifiers.h"

#include <iterator>

#include "app/form_vocabulary.h"
#include "desktop/desktop_ids.h"

namespace qv {
namespace {

constexpr std::uint32_t kModAlt = 1;
constexpr std::uint32_t kModControl = 2;
constexpr std::uint32_t kModShift = 4;

constexpr std::uint32_t kSystemModifiers[] = {
    0,                                  // none
    kModControl,                        // Ctrl
    kModShift,                          // Shift
    kModControl | kModShift,            // Ctrl + Shift
    kModAlt,                            // Alt
    kModControl | kModAlt,              // Ctrl + Alt
    kModShift | kModAlt,                // Shift + Alt
    kModControl | kModShift | kModAlt,  // all three
};

}  // namespace

std::uint32_t SystemHotkeyModifiers(int modifierCode) {
    if (modifierCode >= 0 && modifierCode < static_cast<int>(std::size(kSystemModifiers))) {
        return kSystemModifiers[modifierCode];
    }
    return static_cast<std::uint32_t>(modifierCode);
}

std::int32_t HotkeyIdForRegistration(std::uint32_t issuedCount) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(kHotkeyIdBase) + issuedCount);
}

bool IsIssuedHotkeyId(std::uint64_t id, std::uint32_t issuedCount) {
    // In 64 bits, so neither the upper half of a 64-bit wParam nor a huge count wraps.
    const std::uint64_t first = static_cast<std::uint64_t>(kHotkeyIdBase) + 1;
    const std::uint64_t last = static_cast<std::uint64_t>(kHotkeyIdBase) + issuedCount;
    return id >= first && id <= last;
}

}  // namespace qv
