#pragma once

#include "platform/page_address.h"
#include "platform/workspace.h"

#include <memory>
#include <optional>
#include <string>

namespace norvane {

// Per-event context: the frontmost application, captured once when the
// context is made, and the page address, read at most once and only when
// someone asks for it. Lives on the input thread's stack for one event.
class EventContext {
public:
    EventContext(const FrontmostSource& frontmost, const PageAddressSource& pages)
        : front_(frontmost.frontmost()), pages_(&pages)
    {}

    // Desktop-entry id of the frontmost application; absent when there is
    // none or it could not be resolved.
    [[nodiscard]] const std::optional<std::string>& appID() const noexcept { return front_ ? front_->appID : noApp(); }
    [[nodiscard]] const std::shared_ptr<const FrontApp>& front() const noexcept { return front_; }
    // Hands the frontmost application over; the context has none afterwards.
    [[nodiscard]] std::shared_ptr<const FrontApp> takeFront() noexcept { return std::move(front_); }

    // The frontmost application's page address. The first call reads it (no
    // read at all without an application); later calls return the same answer.
    const PageAddress& url()
    {
        if (!urlRead_) {
            urlRead_ = true;
            if (const auto& app = appID()) {
                url_ = pages_->currentURL(*app);
            }
        }
        return url_;
    }

    static const std::optional<std::string>& noApp() noexcept
    {
        static const std::optional<std::string> none;
        return none;
    }

private:
    std::shared_ptr<const FrontApp> front_;
    const PageAddressSource* pages_;
    bool urlRead_ = false;
    PageAddress url_;
};

} // namespace norvane
