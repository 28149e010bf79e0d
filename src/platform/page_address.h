#pragma once

#include <optional>
#include <string>

namespace norvane {

// The address of the page shown in a browser's active tab. Answered from a
// snapshot: thread-safe and non-blocking, callable from the input thread.
// Nothing when the browser has not reported an address (or is no browser).
class PageAddressSource {
public:
    virtual ~PageAddressSource() = default;
    [[nodiscard]] virtual std::optional<std::string> currentURL(const std::string& appID) const = 0;
};

} // namespace norvane
