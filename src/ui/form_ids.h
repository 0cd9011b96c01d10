#pragma once
// The form runtime's own numbers, beside the vocabulary it shares with the logic.
#include <cstdint>

#include "app/form_vocabulary.h"

namespace qv {

inline constexpr int kFirstMenuCommand = 20000;
inline constexpr int kLastMenuCommand = 57599;
inline constexpr std::uintptr_t kClockTimerId = 1000;

}  // namespace qv
