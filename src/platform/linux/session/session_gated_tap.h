#pragma once

#include "platform/event_tap.h"
#include "platform/linux/session/session_activity.h"

#include <QTimer>

#include <chrono>
#include <functional>

namespace norvane::linux_session {

// What the gate drives: the input layer's start, stop and panic pause.
struct GatedInput {
    std::function<bool(InputHandler&)> start; // opens and grabs the devices
    std::function<void()> stop;               // lets go of every key and device and closes them
    std::function<bool()> isPaused;           // paused by the panic chord
    std::function<void()> resume;             // takes the devices again after the panic chord
};

// The event tap the engine sees. The input devices are held only while this
// program's login session is the active one: when another session comes to
// the front every grab is released and every device (the output device too)
// is closed, so the next user's keys neither run through these rules nor
// reach this user; when the session is active again the devices are taken
// back, each once its keys are up. A start that fails then (access not yet
// moved back) is tried again every `retry` while the session stays active.
//
// A panic pause outlasts the switch: devices let go by the panic chord are
// not taken back on return, only by resume(). Main thread.
class SessionGatedTap final : public EventTap {
public:
    SessionGatedTap(SessionActivity& session, GatedInput input,
                    std::chrono::milliseconds retry = std::chrono::seconds(1));
    ~SessionGatedTap() override;
    SessionGatedTap(const SessionGatedTap&) = delete;
    SessionGatedTap& operator=(const SessionGatedTap&) = delete;

    // Starts the input now while the session is active (false: no access);
    // while it is not, only remembers the handler and returns true, and the
    // input starts when the session comes back.
    bool start(InputHandler& handler) override;
    // The rules were turned back on: ends a panic pause, also one kept
    // across a session switch.
    void resume();
    // Whether the input is started (devices open) now.
    [[nodiscard]] bool holding() const noexcept { return running_; }

private:
    void sessionChanged(bool active);
    void startInput();

    SessionActivity& session_;
    GatedInput input_;
    InputHandler* handler_ = nullptr;
    bool running_ = false;
    bool pausedWhenLeft_ = false;
    QTimer retry_;
};

} // namespace norvane::linux_session
