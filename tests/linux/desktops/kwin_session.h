#pragma once

#include "desktop_processes.h"

#include <memory>
#include <optional>
#include <string>

namespace norvane::testing {

// A headless KWin (kwin_wayland --virtual) on a private session bus. KWin
// can be stopped and started again on the same bus.
class KWinSession {
public:
    static constexpr const char* binary = "/usr/bin/kwin_wayland";
    [[nodiscard]] static bool installed();

    KWinSession();
    ~KWinSession();
    KWinSession(const KWinSession&) = delete;
    KWinSession& operator=(const KWinSession&) = delete;

    // The bus and KWin; the reason when either does not come up.
    std::optional<std::string> start();
    // KWin alone, on the same bus, once it has gone. Its Scripting object
    // answering counts as ready.
    std::optional<std::string> startKWin();
    void stopKWin(int signal);

    // A GTK window whose Wayland app_id is `appID` (client.py).
    Child startClient(const std::string& appID, const std::string& title);

    [[nodiscard]] const std::string& busAddress() const noexcept { return bus_->address(); }
    [[nodiscard]] const std::string& dir() const noexcept { return dir_.path(); }
    // Seconds from starting kwin_wayland until its Scripting object answered.
    [[nodiscard]] double kwinStartSeconds() const noexcept { return kwinStartSeconds_; }
    // KWin's output so far, for failure messages.
    [[nodiscard]] std::string kwinLog() const;

private:
    TempDir dir_;
    std::unique_ptr<PrivateBus> bus_;
    Child kwin_;
    double kwinStartSeconds_ = 0;
};

} // namespace norvane::testing
