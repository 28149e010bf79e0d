#pragma once

#include "platform/executor.h"

#include <QObject>

namespace norvane {

// The engine's first-in first-out queue onto the thread of `receiver`: each
// task becomes one queued invocation, and Qt delivers the posted events of
// one receiver in the order they were posted. Tasks still queued when the
// receiver is destroyed are dropped with it.
class QtExecutor final : public Executor {
public:
    explicit QtExecutor(QObject& receiver) : receiver_(&receiver) {}
    void post(Task task) override;

private:
    QObject* receiver_;
};

} // namespace norvane
