#pragma once
// The HTTP control's bearer token check.
#include <string_view>

namespace qv {

// Equal texts, in a time that depends only on their lengths, never on where they differ.
bool SameSecret(std::string_view given, std::string_view expected);

// True when `authorization` is "Bearer <token>" for exactly this token (the scheme's case
// does not matter, surrounding blanks are skipped).
bool BearerMatches(std::string_view authorization, std::string_view token);

}  // namespace qv
