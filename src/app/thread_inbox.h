#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace norvane {

// Lets other threads hand work to an object's thread while that object may
// be destroyed at any moment. Callbacks given to other threads hold the inbox
// (shared), never the object; the object closes the inbox in its destructor,
// after which posts are dropped.
class ThreadInbox {
public:
    explicit ThreadInbox(QObject& receiver) : receiver_(&receiver) {}

    static std::shared_ptr<ThreadInbox> create(QObject& receiver) { return std::make_shared<ThreadInbox>(receiver); }

    // Any thread. The task runs later on the receiver's thread.
    void post(std::function<void()> task)
    {
        const std::lock_guard lock(mutex_);
        if (receiver_ != nullptr) {
            QMetaObject::invokeMethod(receiver_, std::move(task), Qt::QueuedConnection);
        }
    }
    // The receiver's thread, before the receiver goes away.
    void close()
    {
        const std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }

private:
    std::mutex mutex_;
    QObject* receiver_;
};

} // namespace norvane
