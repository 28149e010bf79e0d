#include "model/config_loader.h"

#include "model/config_document.h"
#include "model/legacy_config.h"

namespace norvane {

std::optional<LoadedDocument> readConfigDocument(std::string_view bytes, ConfigReadError* error)
{
    try {
        const auto value = parseConfigJson(bytes, error);
        if (!value) {
            return std::nullopt;
        }
        if (auto file = configFromJson(*value)) {
            return LoadedDocument{LoadedDocument::Format::current, std::move(file->groups), file->preferences};
        }
        if (const auto legacy = legacyConfigFromJson(*value)) {
            return LoadedDocument{LoadedDocument::Format::legacy, migrated(*legacy), std::nullopt};
        }
        if (error != nullptr) {
            *error = ConfigReadError::notConfig;
        }
        return std::nullopt;
    } catch (...) {
        if (error != nullptr) {
            *error = ConfigReadError::tooLarge; // allocation failure
        }
        return std::nullopt;
    }
}

} // namespace norvane
