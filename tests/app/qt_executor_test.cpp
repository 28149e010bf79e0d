#include "app/qt_executor.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace norvane {
namespace {

class CountingQueue final : public Executor::Queue {
public:
    void drain() override
    {
        ++drains;
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
    }
    int drains = 0;
    std::thread::id mainThread = std::this_thread::get_id();
};

bool spinUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// The input thread wakes the main thread after each hand-off: the queue is
// drained there, and a burst of wakes costs a handful of drains, not one each.
TEST(QtExecutor, WakesFromAnotherThreadDrainOnTheMainThreadInBatches)
{
    QObject receiver;
    QtExecutor executor(receiver);
    CountingQueue queue;
    executor.attach(queue);

    std::thread producer([&] {
        for (int i = 0; i < 1000; ++i) {
            executor.wake();
        }
    });
    producer.join();
    ASSERT_TRUE(spinUntil([&] { return queue.drains > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(queue.drains, 1);

    executor.detach(queue);
    executor.wake();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(queue.drains, 1) << "drained after detach";

    // Tasks still run in the order they were posted.
    std::vector<int> order;
    executor.post([&] { order.push_back(1); });
    executor.post([&] { order.push_back(2); });
    ASSERT_TRUE(spinUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

} // namespace
} // namespace norvane
