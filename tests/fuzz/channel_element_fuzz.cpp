// A Redis list element as any controller (or anyone who can write to the list) may leave it.
// A command read from it keeps every bound; a refusal says why; nothing over 4 KB is read.
#include <string_view>

#include "control/channel_command.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qv::ChannelElement element = qv::ReadChannelElement(text);
    QV_FUZZ_CHECK(element.command.has_value() == element.error.empty());
    QV_FUZZ_CHECK(element.id.empty() || qv::ValidCommandId(element.id));
    QV_FUZZ_CHECK(!element.tooLarge || size > qv::kMaxChannelElementBytes);
    if (element.command) {
        const qv::ScriptCommand& command = element.command->command;
        QV_FUZZ_CHECK(command.tries >= 1 && command.tries <= qv::kMaxUntilNewTries);
        QV_FUZZ_CHECK(!command.untilNew || command.verb == qv::ScriptVerb::Redial);
        QV_FUZZ_CHECK(element.command->id == element.id);
    }
    return 0;
}
