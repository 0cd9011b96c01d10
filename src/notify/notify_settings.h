#pragma once
// The notifications' settings: section 通知 of Config.ini, read at start-up and never written.
// Each part is off when its key is absent; an invalid part stays off and says why once.
#include <cstddef>
#include <string>

#include "app/ports.h"
#include "base/text.h"

namespace qv {

inline constexpr const char* kNotifySection = "通知";
inline constexpr const char* kKeyNotifyCommand = "命令";
inline constexpr const char* kKeyNotifyUrl = "网址";
inline constexpr std::size_t kMaxNotifyCommandLength = 4096;
inline constexpr std::size_t kMaxNotifyUrlLength = 2048;

struct NotifySettings {
    // Invalid: at least one part was refused (the other may still be on).
    enum class State { Off, On, Invalid } state = State::Off;
    Text command;     // the hook's command line as configured; empty: no hook
    std::string url;  // the webhook's http:// or https:// address; empty: no webhook
    Text problem;     // Invalid: the balloon's text, saying why
};

NotifySettings ReadNotifySettings(Profile& profile);

}  // namespace qv
