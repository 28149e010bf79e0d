#pragma once

#include <functional>

namespace norvane::linux_session {

// Whether this program's login session is the one in front at its seat. On
// a fast user switch or a switch to another virtual terminal the session
// stays logged in but becomes inactive: its input is no longer the user's.
class SessionActivity {
public:
    using Handler = std::function<void(bool active)>;

    virtual ~SessionActivity() = default;
    // Active until known otherwise; a session without a seat (a remote
    // login) is always active.
    [[nodiscard]] virtual bool isActive() const = 0;
    // Called on the main thread once per change.
    virtual void setActiveHandler(Handler handler) = 0;
};

} // namespace norvane::linux_session
