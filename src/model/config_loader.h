#pragma once

#include "model/config_json.h"
#include "model/rules.h"

#include <optional>
#include <string_view>
#include <vector>

namespace norvane {

// A configuration file as the application takes it in, whichever format it
// was written in.
struct LoadedDocument {
    enum class Format : std::uint8_t { current, legacy };
    Format format = Format::current;
    std::vector<RuleGroup> groups;
    // Set only for the current format: legacy files carry no preferences,
    // so the caller keeps the ones it has.
    std::optional<Preferences> preferences;
};

// Reads the bytes as a version-2 document; failing that, as a legacy
// document converted to rule groups; failing that, nullopt (and the reason
// in `error` when given). A document with the three version-2 members is
// always read as version 2. `diagnostics`, when given, receives why a
// document was refused, or which values were replaced by defaults (see
// configFromJson). Never throws.
std::optional<LoadedDocument> readConfigDocument(std::string_view bytes, ConfigReadError* error = nullptr,
                                                 ConfigDiagnostics* diagnostics = nullptr);

} // namespace norvane
