#pragma once

#include <memory>
#include <optional>
#include <string>

namespace norvane {

// A page address, shared with the immutable snapshot it was read from:
// handing it on takes a reference, never a copy of the text. nullptr when
// there is none.
using PageAddress = std::shared_ptr<const std::string>;

// The text of an address, for keeping it apart from its snapshot.
[[nodiscard]] inline std::optional<std::string> copyOf(const PageAddress& address)
{
    return address ? std::optional<std::string>(*address) : std::nullopt;
}

// The address of the page shown in a browser's active tab. Answered from a
// snapshot: thread-safe, non-blocking and free of allocations, callable from
// the input thread. Nothing when the browser has not reported an address (or
// is no browser).
class PageAddressSource {
public:
    virtual ~PageAddressSource() = default;
    [[nodiscard]] virtual PageAddress currentURL(const std::string& appID) const = 0;
};

} // namespace norvane
