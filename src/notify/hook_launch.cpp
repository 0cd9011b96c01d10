#include "notify/hook_launch.h"

#include <algorithm>

namespace qv {
namespace {

// The name of "NAME=value"; the drive entries "=C:=C:\dir" keep their leading '='.
std::string_view VariableName(std::string_view entry) {
    return entry.substr(0, entry.find('=', 1));
}

// The system orders names by their upper-case form, which puts '_' after the letters.
std::string UpperName(std::string_view entry) {
    std::string name(VariableName(entry));
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return name;
}

bool IsBatchFile(std::string_view program) {
    if (program.size() < 4) {
        return false;
    }
    const std::string suffix = AsciiLower(program.substr(program.size() - 4));
    return suffix == ".bat" || suffix == ".cmd";
}

bool HasExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return dot != std::string_view::npos &&
           path.find_first_of("\\/", dot) == std::string_view::npos;
}

}  // namespace

HookLaunch HookCommandLine(const Text& configured, const Text& comSpec) {
    // Quotes and blanks are below 0x40, so never the second byte of a GBK character.
    std::string_view program = configured;
    std::string_view arguments;
    if (!program.empty() && program.front() == '"') {
        const std::size_t close = program.find('"', 1);
        arguments = close == std::string_view::npos ? "" : program.substr(close + 1);
        program = program.substr(1, close == std::string_view::npos ? close : close - 1);
    } else {
        // An unquoted path with blanks that ends in .bat is taken whole, unless its first
        // word already names a file ("notepad.exe log.bat").
        const std::size_t blank = program.find_first_of(" \t");
        if (blank != std::string_view::npos &&
            (!IsBatchFile(program) || HasExtension(program.substr(0, blank)))) {
            arguments = program.substr(blank);
            program = program.substr(0, blank);
        }
    }
    if (!IsBatchFile(program)) {
        return {Text(), configured};
    }
    Text commandLine = "\"" + comSpec + "\" /d /s /c \"\"";
    commandLine += program;
    commandLine += "\"";
    commandLine += arguments;
    commandLine += "\"";
    return {comSpec, commandLine};
}

std::string EnvironmentBlock(const std::vector<std::string>& inherited,
                             const std::vector<NameValue>& ours) {
    std::vector<std::string> entries;
    for (const std::string& entry : inherited) {
        const std::string name = UpperName(entry);
        const bool replaced = std::any_of(ours.begin(), ours.end(), [&name](const NameValue& v) {
            return UpperName(v.first) == name;
        });
        if (!entry.empty() && !replaced) {
            entries.push_back(entry);
        }
    }
    for (const auto& [name, value] : ours) {
        entries.push_back(name + "=" + value);
    }
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const std::string& a, const std::string& b) { return UpperName(a) < UpperName(b); });
    std::string block;
    for (const std::string& entry : entries) {
        block += entry;
        block += '\0';
    }
    block += '\0';
    if (entries.empty()) {
        block += '\0';  // an empty block is still two zeros
    }
    return block;
}

}  // namespace qv
