#pragma once

#include "model/scope.h"

#include <optional>
#include <string>
#include <string_view>

namespace norvane {

class PageAddressSource;
class Workspace;

// What typing a keyword into a scope did.
enum class KeywordAdded {
    added,     // appended; the field empties
    empty,     // nothing but spaces and tabs
    duplicate, // already listed exactly so (letter case counts)
};

// Appends `text` to the scope's page keywords, trimmed of spaces and tabs at
// both ends. Keywords are kept as typed; matching ignores letter case.
KeywordAdded addKeyword(Scope& scope, std::string_view text);

// The keyword for a page address: its host, plus "/" and the first non-empty
// path segment when there is one. Query and fragment are left out. None when
// the address does not parse or has no host.
[[nodiscard]] std::optional<std::string> keywordFromAddress(std::string_view address);

struct PageKeyword {
    std::string keyword;
    std::string browser; // the browser it was read from
};

// The keyword of the page open in a browser the user is likely to mean: the
// application used last before this one, then the scope's own applications,
// then every known browser, keeping those that are browsers and running. The
// first whose bridge has an address counts. Reads the bridge's cache only, so
// it never waits for a browser.
[[nodiscard]] std::optional<PageKeyword> currentPageKeyword(const std::optional<std::string>& lastExternalApp,
                                                            const Scope& scope, Workspace& workspace,
                                                            const PageAddressSource& pages);

} // namespace norvane
