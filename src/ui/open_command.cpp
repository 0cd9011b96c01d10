#include "ui/open_command.h"

namespace qv {
namespace {

std::size_t FindFromCharacterStart(std::string_view text, std::string_view needle) {
    const char* const end = text.data() + text.size();
    for (std::size_t i = 0; i + needle.size() <= text.size();) {
        if (text.substr(i, needle.size()) == needle) {
            return i;
        }
        i += IsLeadByte(text.data() + i, end) ? 2 : 1;
    }
    return std::string_view::npos;
}

}  // namespace

Text FallbackCommandLine(std::string_view openCommand, std::string_view target) {
    std::size_t cut = FindFromCharacterStart(openCommand, "\"%1\"");
    if (cut == std::string_view::npos) {
        cut = FindFromCharacterStart(openCommand, "%1");
    }
    Text line(openCommand.substr(0, cut));
    line += ' ';
    line += target;
    return line;
}

}  // namespace qv
