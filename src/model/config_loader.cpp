#include "model/config_loader.h"

#include "model/config_document.h"
#include "model/legacy_config.h"

namespace norvane {

namespace {

bool hasAny(const nlohmann::json& value, std::initializer_list<const char*> keys)
{
    if (!value.is_object()) {
        return false;
    }
    for (const auto* key : keys) {
        if (value.contains(key)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<LoadedDocument> readConfigDocument(std::string_view bytes, ConfigReadError* error,
                                                 ConfigDiagnostics* diagnostics)
{
    try {
        const auto value = parseConfigJson(bytes, error, diagnostics);
        if (!value) {
            return std::nullopt;
        }
        if (auto file = configFromJson(*value, diagnostics)) {
            return LoadedDocument{LoadedDocument::Format::current, std::move(file->groups), file->preferences};
        }
        const std::string currentRefusal = diagnostics != nullptr ? diagnostics->refusal : std::string();
        std::string legacyRefusal;
        if (const auto legacy = legacyConfigFromJson(*value, diagnostics != nullptr ? &legacyRefusal : nullptr)) {
            if (diagnostics != nullptr) {
                diagnostics->refusal.clear();
            }
            return LoadedDocument{LoadedDocument::Format::legacy, migrated(*legacy), std::nullopt};
        }
        if (error != nullptr) {
            *error = ConfigReadError::notConfig;
        }
        if (diagnostics != nullptr) {
            // Explain by the format the document looks like.
            if (hasAny(*value, {"version", "groups", "preferences"}) || !value->is_object()) {
                diagnostics->refusal = currentRefusal;
            } else if (value->contains("rules")) {
                diagnostics->refusal = "as a legacy document: " + legacyRefusal;
            } else {
                diagnostics->refusal = "no \"version\", \"groups\" and \"preferences\" (nor the legacy \"rules\")";
            }
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
