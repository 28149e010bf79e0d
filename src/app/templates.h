#pragma once

#include "model/icon.h"
#include "model/rules.h"
#include "platform/workspace.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace norvane {

// An sRGB colour, each channel 0-1, fully opaque.
struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A ready-made rule group offered in the template gallery. Each make() builds
// the group afresh: new UUIDs, and whatever is installed at that moment.
struct Template {
    std::string_view id;
    std::string_view title;
    std::string_view subtitle;
    Icon icon;
    std::array<Rgb, 2> colors;
    RuleGroup (*build)(Workspace& workspace);

    [[nodiscard]] RuleGroup make(Workspace& workspace) const { return build(workspace); }
    // The first mapping of a freshly built group, shown on the card.
    [[nodiscard]] std::optional<Mapping> preview(Workspace& workspace) const;
};

// The six templates, in gallery order.
std::span<const Template> templates() noexcept;
const Template* findTemplate(std::string_view id) noexcept;

// The group a new, blank rule group starts as: one mapping with no trigger
// and the empty key action.
RuleGroup defaultNewGroup();

// Page keywords of the document-heading template: the document pages of the
// online editors its subtitle names.
std::span<const std::string_view> documentPageKeywords() noexcept;

// One slot of the launcher template: its combination and the desktop ids of
// the application, preferred first (native package, then Flatpak).
struct LauncherSlot {
    std::string_view combo;
    std::array<std::string_view, 3> appIDs; // unused entries are empty
};
std::span<const LauncherSlot> launcherSlots() noexcept;

} // namespace norvane
