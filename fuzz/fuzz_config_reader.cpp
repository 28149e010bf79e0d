// The version-2 reader must never crash or hang, and whatever it reads must
// survive writing and reading again unchanged.
#include "model/config_document.h"
#include "model/config_loader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto file = norvane::decodeConfig(bytes);
    (void)norvane::readConfigDocument(bytes);
    if (!file) {
        return 0;
    }
    const auto text = norvane::encodeConfig(*file);
    const auto again = norvane::decodeConfig(text);
    if (!again || !(*again == *file) || norvane::encodeConfig(*again) != text) {
        std::abort();
    }
    return 0;
}
