// Any text either is no combination, or its combination's text form parses
// back to the same combination.
#include "model/combo.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto combo = norvane::Combo::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!combo) {
        return 0;
    }
    if ((combo->modifiers & ~norvane::relevantMask) != 0 || norvane::Combo::parse(combo->string()) != combo) {
        std::abort();
    }
    (void)combo->label();
    return 0;
}
