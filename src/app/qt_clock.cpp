#include "app/clock.h"

#include <QTimer>

namespace norvane {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(bool repeating, std::function<void()> task)
    {
        timer_.setSingleShot(!repeating);
        QObject::connect(&timer_, &QTimer::timeout, [task = std::move(task)] { task(); });
    }
    void start(std::chrono::milliseconds interval) override { timer_.start(interval); }
    void stop() override { timer_.stop(); }
    [[nodiscard]] bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] std::chrono::system_clock::time_point now() const override
    {
        return std::chrono::system_clock::now();
    }
    [[nodiscard]] std::unique_ptr<Timer> makeTimer(bool repeating, std::function<void()> task) override
    {
        return std::make_unique<QtTimer>(repeating, std::move(task));
    }
};

} // namespace

std::shared_ptr<Clock> systemClock()
{
    return std::make_shared<SystemClock>();
}

} // namespace norvane
