#include "platform/linux/workspace/process_key_delivery.h"

#include <future>
#include <memory>

namespace norvane::linux_workspace {

ProcessKeyDelivery::ProcessKeyDelivery(WindowSystem& windows, FocusTracker& tracker, KeyEmitter& emitter,
                                       Options options)
    : windows_(windows), tracker_(tracker), emitter_(emitter), options_(options), thread_([this] { run(); })
{}

ProcessKeyDelivery::~ProcessKeyDelivery()
{
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ProcessKeyDelivery::deliver(int pid, std::span<const InputEvent> events)
{
    {
        const std::lock_guard guard(lock_);
        jobs_.push_back({pid, std::vector<InputEvent>(events.begin(), events.end())});
    }
    wake_.notify_one();
}

void ProcessKeyDelivery::setOutcomeListener(OutcomeListener listener)
{
    const std::lock_guard guard(lock_);
    listener_ = std::move(listener);
}

void ProcessKeyDelivery::run()
{
    while (true) {
        Job job;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        const auto outcome = perform(job);
        OutcomeListener listener;
        {
            const std::lock_guard guard(lock_);
            listener = listener_;
        }
        if (listener) {
            listener(job.pid, outcome);
        }
    }
}

ProcessKeyDelivery::Outcome ProcessKeyDelivery::perform(const Job& job)
{
    // The most recent ordinary window of the process; a dialog or panel
    // only when it has nothing else.
    std::optional<WindowInfo> target;
    for (auto& w : windows_.windows()) {
        if (job.pid <= 0 || w.pid != job.pid) {
            continue;
        }
        if (!target || (w.userFacing && !target->userFacing)) {
            const bool best = w.userFacing;
            target = std::move(w);
            if (best) {
                break;
            }
        }
    }
    if (!target) {
        return Outcome::noWindow;
    }
    if (windows_.sendKeys(target->window, job.events)) {
        return Outcome::deliveredDirectly;
    }

    const auto before = tracker_.current();
    const std::uint64_t previous = before ? before->window : 0;
    if (previous != target->window) {
        windows_.activate(target->window);
        if (!tracker_.waitForWindow(target->window, options_.focusLimit)) {
            // Typing now would go to whatever is in front instead.
            return Outcome::focusRefused;
        }
    }

    auto written = std::make_shared<std::promise<void>>();
    auto done = written->get_future();
    emitter_.emitKeys(job.events, [written] { written->set_value(); });
    const bool emitted = done.wait_for(options_.emitLimit) == std::future_status::ready;

    if (previous != 0 && previous != target->window) {
        if (emitted) {
            std::this_thread::sleep_for(options_.settle);
        }
        windows_.activate(previous);
    }
    return emitted ? Outcome::delivered : Outcome::emitTimedOut;
}

} // namespace norvane::linux_workspace
