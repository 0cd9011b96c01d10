#include "control/client_launch.h"

#include <algorithm>

namespace qv {

LaunchKind ClassifyArguments(const std::vector<std::string>& arguments) {
    const bool anySwitch =
        std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
            return !argument.empty() && (argument[0] == '/' || argument[0] == '-');
        });
    return anySwitch ? LaunchKind::Call : LaunchKind::Window;
}

}  // namespace qv
