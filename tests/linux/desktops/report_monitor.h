#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using GDBusConnection = struct _GDBusConnection;

namespace norvane::testing {

// Records when each Activated report of a window (not of "none") passes on
// the bus, seen by a monitor connection on GDBus's worker thread: as early
// as Norvane's own connection can see it.
class ReportMonitor {
public:
    using Clock = std::chrono::steady_clock;

    explicit ReportMonitor(const std::string& address);
    ~ReportMonitor();
    ReportMonitor(const ReportMonitor&) = delete;
    ReportMonitor& operator=(const ReportMonitor&) = delete;

    // The first such report after `since`.
    std::optional<Clock::time_point> firstAfter(Clock::time_point since);

private:
    GDBusConnection* connection_ = nullptr;
    unsigned filter_ = 0;
    std::mutex lock_;
    std::vector<Clock::time_point> seen_;

    friend struct ReportFilter;
};

} // namespace norvane::testing
