// Any text either is no trigger, or its trigger's text form parses back to
// the same trigger.
#include "model/trigger.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto trigger = norvane::Trigger::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!trigger) {
        return 0;
    }
    if (norvane::Trigger::parse(trigger->string()) != trigger) {
        std::abort();
    }
    (void)trigger->label();
    return 0;
}
