#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvane::linux_browser {

// The host's part in the middle of the bridge. Reports from the extension
// go to the app, re-encoded with the browser's process id; a query from the
// app goes to the extension. Anything else is dropped on the spot.
class HostRelay {
public:
    HostRelay(int browserPid, std::string browserExe) : pid_(browserPid), exe_(std::move(browserExe)) {}

    // The first message on every new connection to the app.
    [[nodiscard]] std::string hello() const;
    [[nodiscard]] std::optional<std::string> toApp(std::string_view fromExtension) const;
    [[nodiscard]] std::optional<std::string> toExtension(std::string_view fromApp) const;

private:
    int pid_;
    std::string exe_;
};

} // namespace norvane::linux_browser
