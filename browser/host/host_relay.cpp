#include "host_relay.h"

#include "platform/linux/browser/bridge_protocol.h"

namespace norvane::linux_browser {

std::string HostRelay::hello() const
{
    return helloJSON(pid_, exe_);
}

std::optional<std::string> HostRelay::toApp(std::string_view fromExtension) const
{
    const auto report = parseReport(fromExtension);
    if (!report) {
        return std::nullopt;
    }
    return relayedJSON(pid_, *report);
}

std::optional<std::string> HostRelay::toExtension(std::string_view fromApp) const
{
    if (!isQuery(fromApp)) {
        return std::nullopt;
    }
    return queryJSON();
}

} // namespace norvane::linux_browser
