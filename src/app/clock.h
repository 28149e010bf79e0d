#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace norvane {

// A timer owned by the model. Its task runs on the thread that made it.
class Timer {
public:
    virtual ~Timer() = default;
    // Starts the timer, or starts it over when it is running: the task runs
    // `interval` from now and, for a repeating timer, every `interval` after
    // that until stop().
    virtual void start(std::chrono::milliseconds interval) = 0;
    virtual void stop() = 0;
    [[nodiscard]] virtual bool isActive() const = 0;
};

// Time and timers, injected so that tests can move time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual std::chrono::system_clock::time_point now() const = 0;
    // A stopped timer that runs `task` when it fires.
    [[nodiscard]] virtual std::unique_ptr<Timer> makeTimer(bool repeating, std::function<void()> task) = 0;
};

// Wall time and QTimer; the timers need a running Qt event loop.
std::shared_ptr<Clock> systemClock();

} // namespace norvane
