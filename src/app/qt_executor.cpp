#include "app/qt_executor.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace norvane {

QtExecutor::QtExecutor(QObject& receiver) : receiver_(&receiver), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

QtExecutor::~QtExecutor()
{
    notifier_.reset();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

void QtExecutor::post(Task task)
{
    QMetaObject::invokeMethod(receiver_, std::move(task), Qt::QueuedConnection);
}

void QtExecutor::attach(Queue& queue)
{
    if (!notifier_ && wakeFd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, receiver_, [this] { drainQueues(); });
    }
    queues_.push_back(&queue);
}

void QtExecutor::detach(Queue& queue)
{
    std::erase(queues_, &queue);
}

void QtExecutor::wake() noexcept
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void QtExecutor::drainQueues()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    // A queue may detach another (or itself) while it drains.
    const std::vector<Queue*> queues = queues_;
    for (Queue* queue : queues) {
        if (std::find(queues_.begin(), queues_.end(), queue) != queues_.end()) {
            queue->drain();
        }
    }
}

} // namespace norvane
