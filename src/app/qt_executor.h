#pragma once

#include "platform/executor.h"

#include <QObject>

#include <memory>
#include <vector>

class QSocketNotifier;

namespace norvane {

// The main thread's queue onto the thread of `receiver` (made on that thread).
// Each posted task becomes one queued invocation, and Qt delivers the posted
// events of one receiver in the order they were posted; tasks still queued
// when the receiver is destroyed are dropped with it.
//
// wake() touches no Qt state: it writes to an eventfd, which a socket
// notifier on the receiver's thread reads before draining the attached
// queues. No allocation and no lock on the caller's side, and the wakes that
// come before the notifier runs are served by one drain.
class QtExecutor final : public Executor {
public:
    explicit QtExecutor(QObject& receiver);
    ~QtExecutor() override;
    QtExecutor(const QtExecutor&) = delete;
    QtExecutor& operator=(const QtExecutor&) = delete;

    void post(Task task) override;
    void attach(Queue& queue) override;
    void detach(Queue& queue) override;
    void wake() noexcept override;

private:
    void drainQueues();

    QObject* receiver_;
    int wakeFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_; // made on the first attach
    std::vector<Queue*> queues_;
};

} // namespace norvane
