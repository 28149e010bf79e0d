#include "platform/linux/workspace/shell_window_variants.h"

#include <array>
#include <climits>
#include <cmath>
#include <gio/gio.h>
#include <memory>
#include <optional>
#include <string_view>

namespace norvane::linux_workspace {

namespace {

constexpr std::size_t fieldCount = 7;

struct Unref {
    void operator()(GVariant* v) const noexcept { g_variant_unref(v); }
};
using Variant = std::unique_ptr<GVariant, Unref>;

// Unwraps nested variants ("v" holding "v" ...) down to the value.
Variant unwrap(Variant value)
{
    while (value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_VARIANT)) {
        value.reset(g_variant_get_variant(value.get()));
    }
    return value;
}

std::optional<std::string> text(GVariant* v)
{
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_STRING)) {
        return std::nullopt;
    }
    return std::string(g_variant_get_string(v, nullptr));
}

std::optional<bool> flag(GVariant* v)
{
    if (!g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN)) {
        return std::nullopt;
    }
    return g_variant_get_boolean(v) != FALSE;
}

// A pid of any numeric type; out of range or not a number counts as unknown (0).
std::optional<int> number(GVariant* v)
{
    double value = 0;
    if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT32)) {
        value = g_variant_get_int32(v);
    } else if (g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32)) {
        value = g_variant_get_uint32(v);
    } else if (g_variant_is_of_type(v, G_VARIANT_TYPE_INT64)) {
        value = static_cast<double>(g_variant_get_int64(v));
    } else if (g_variant_is_of_type(v, G_VARIANT_TYPE_UINT64)) {
        value = static_cast<double>(g_variant_get_uint64(v));
    } else if (g_variant_is_of_type(v, G_VARIANT_TYPE_DOUBLE)) {
        value = g_variant_get_double(v);
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(value) || value < 1 || value > INT_MAX) {
        return 0;
    }
    return static_cast<int>(value);
}

std::optional<ShellWindow> readWindow(GVariant* element)
{
    const auto fields = unwrap(Variant(g_variant_ref(element)));
    if (!fields || !g_variant_is_of_type(fields.get(), G_VARIANT_TYPE("av")) ||
        g_variant_n_children(fields.get()) < fieldCount) {
        return std::nullopt;
    }
    std::array<Variant, fieldCount> f;
    for (std::size_t i = 0; i < fieldCount; ++i) {
        f.at(i) = unwrap(Variant(g_variant_get_child_value(fields.get(), i)));
    }
    auto id = text(f[0].get());
    auto appID = text(f[1].get());
    auto wmClass = text(f[2].get());
    auto title = text(f[3].get());
    const auto pid = number(f[4].get());
    const auto userFacing = flag(f[5].get());
    const auto minimized = flag(f[6].get());
    if (!id || id->empty() || !appID || !wmClass || !title || !pid || !userFacing || !minimized) {
        return std::nullopt;
    }
    constexpr std::string_view suffix = ".desktop";
    if (appID->size() > suffix.size() && appID->ends_with(suffix)) {
        appID->resize(appID->size() - suffix.size());
    }
    return ShellWindow{std::move(*id), std::move(*appID), std::move(*wmClass), std::move(*title),
                       *pid,           *userFacing,       *minimized};
}

} // namespace

ShellWindowList shellWindowsFromVariants(GVariant* list)
{
    ShellWindowList out;
    if (!list || !g_variant_is_of_type(list, G_VARIANT_TYPE("(av)"))) {
        return out;
    }
    const Variant array(g_variant_get_child_value(list, 0));
    const auto count = g_variant_n_children(array.get());
    out.reserve(count);
    for (gsize i = 0; i < count; ++i) {
        const Variant element(g_variant_get_child_value(array.get(), i));
        if (auto window = readWindow(element.get())) {
            out.push_back(std::move(*window));
        }
    }
    return out;
}

} // namespace norvane::linux_workspace
