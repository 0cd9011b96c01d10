#pragma once
// Starting with Windows: the one value Quorvane may keep in the registry, `Quorvane` under the
// user's Run key, holding this exe's quoted path.
#include <string>

#include "control/protocol.h"

namespace qv {

struct AutostartAnswer {
    std::string json;  // the one line to print
    int exitCode = 0;  // 0 done, 1 failed
};

AutostartAnswer RunAutostart(AutostartAction action);

}  // namespace qv
