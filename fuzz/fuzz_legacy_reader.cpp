// The legacy reader and its conversion must never crash or hang; a converted
// document must be writable and read back as the same groups.
#include "model/config_document.h"
#include "model/legacy_config.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto legacy = norvane::decodeLegacyConfig(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!legacy) {
        return 0;
    }
    norvane::ConfigFile file;
    file.groups = norvane::migrated(*legacy);
    const auto again = norvane::decodeConfig(norvane::encodeConfig(file));
    if (!again || !(*again == file)) {
        std::abort();
    }
    return 0;
}
