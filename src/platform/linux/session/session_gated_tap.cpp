#include "platform/linux/session/session_gated_tap.h"

namespace norvane::linux_session {

SessionGatedTap::SessionGatedTap(SessionActivity& session, GatedInput input, std::chrono::milliseconds retry)
    : session_(session), input_(std::move(input))
{
    retry_.setInterval(retry);
    QObject::connect(&retry_, &QTimer::timeout, [this] { startInput(); });
    session_.setActiveHandler([this](bool active) { sessionChanged(active); });
}

SessionGatedTap::~SessionGatedTap()
{
    session_.setActiveHandler(nullptr);
}

bool SessionGatedTap::start(InputHandler& handler)
{
    handler_ = &handler;
    if (!session_.isActive()) {
        return true;
    }
    if (!running_) {
        running_ = input_.start(handler);
    }
    return running_;
}

void SessionGatedTap::resume()
{
    if (pausedWhenLeft_) {
        pausedWhenLeft_ = false;
        if (session_.isActive() && handler_ != nullptr && !running_) {
            startInput();
        }
    } else if (running_ && input_.isPaused()) {
        input_.resume();
    }
}

void SessionGatedTap::sessionChanged(bool active)
{
    if (!active) {
        retry_.stop();
        if (running_) {
            pausedWhenLeft_ = input_.isPaused();
            input_.stop();
            running_ = false;
        }
        return;
    }
    if (handler_ != nullptr && !running_ && !pausedWhenLeft_) {
        startInput();
    }
}

void SessionGatedTap::startInput()
{
    if (running_) {
        retry_.stop();
        return;
    }
    running_ = handler_ != nullptr && session_.isActive() && input_.start(*handler_);
    if (running_) {
        retry_.stop();
    } else if (session_.isActive() && !retry_.isActive()) {
        retry_.start();
    }
}

} // namespace norvane::linux_session
