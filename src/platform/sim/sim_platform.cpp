#include "platform/sim/sim_platform.h"

#include <algorithm>

namespace norvane::sim {

bool EventTap::start(InputHandler& handler)
{
    if (handler_ != nullptr) {
        return true;
    }
    if (failing_) {
        return false;
    }
    handler_ = &handler;
    return true;
}

bool EventTap::feed(InputEvent& event)
{
    return handler_ == nullptr || handler_->handle(event);
}

void EventOutput::postKeyEvents(std::span<const InputEvent> events)
{
    Effect e;
    e.kind = Effect::Kind::keyEvents;
    e.events.assign(events.begin(), events.end());
    journal_.add(std::move(e));
}

void EventOutput::postKeyEventsToProcess(int pid, std::span<const InputEvent> events)
{
    Effect e;
    e.kind = Effect::Kind::keyEvents;
    e.pid = pid;
    if (namer_) {
        e.appID = namer_(pid);
    }
    e.events.assign(events.begin(), events.end());
    journal_.add(std::move(e));
}

void EventOutput::postMediaKeyEvent(MediaKeyEvent event)
{
    Effect e;
    e.kind = Effect::Kind::media;
    e.media = event;
    journal_.add(std::move(e));
}

PageAddress PageAddresses::currentURL(const std::string& appID) const
{
    Effect e;
    e.kind = Effect::Kind::readURL;
    e.appID = appID;
    journal_.add(std::move(e));
    const std::lock_guard lock(mutex_);
    if (auto it = perApp_.find(appID); it != perApp_.end()) {
        return it->second;
    }
    return any_;
}

namespace {

PageAddress shared(std::optional<std::string> url)
{
    return url ? std::make_shared<const std::string>(std::move(*url)) : nullptr;
}

} // namespace

void PageAddresses::setAddress(std::optional<std::string> url)
{
    auto address = shared(std::move(url));
    const std::lock_guard lock(mutex_);
    any_ = std::move(address);
}

void PageAddresses::setAddress(const std::string& appID, std::optional<std::string> url)
{
    auto address = shared(std::move(url));
    const std::lock_guard lock(mutex_);
    perApp_[appID] = std::move(address);
}

std::optional<std::string> Workspace::installedLocation(const std::string& appID)
{
    if (std::find(installed_.begin(), installed_.end(), appID) == installed_.end()) {
        return std::nullopt;
    }
    return "/usr/share/applications/" + appID + ".desktop";
}

std::vector<RunningApp> Workspace::runningInstances(const std::string& appID)
{
    std::vector<RunningApp> out;
    std::copy_if(running_.begin(), running_.end(), std::back_inserter(out),
                 [&](const RunningApp& app) { return app.appID == appID; });
    return out;
}

std::vector<RunningApp> Workspace::runningApplications()
{
    return running_;
}

void Workspace::open(const std::string& appID)
{
    Effect e;
    e.kind = Effect::Kind::open;
    e.appID = appID;
    journal_.add(std::move(e));
}

void Workspace::hide(const FrontApp& app)
{
    Effect e;
    e.kind = Effect::Kind::hide;
    e.appID = app.appID.value_or(std::string{});
    e.pid = app.pid;
    journal_.add(std::move(e));
}

void Workspace::setInstalled(std::vector<std::string> appIDs)
{
    installed_ = std::move(appIDs);
}

void Workspace::addInstalled(const std::string& appID)
{
    if (!installedLocation(appID)) {
        installed_.push_back(appID);
    }
}

void Workspace::setRunning(const std::vector<std::string>& appIDs)
{
    running_.clear();
    for (const auto& id : appIDs) {
        auto [it, added] = pids_.try_emplace(id, 1000 + static_cast<int>(pids_.size()));
        running_.push_back(RunningApp{id, it->second});
    }
}

std::string Workspace::appForPid(int pid) const
{
    for (const auto& [id, p] : pids_) {
        if (p == pid) {
            return id;
        }
    }
    return {};
}

void Notifier::show(const Notice& notice)
{
    Effect e;
    e.kind = Effect::Kind::notice;
    e.notice = notice;
    e.shown = notice.force || showHUD_;
    journal_.add(std::move(e));
}

void QueueExecutor::post(Task task)
{
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
}

void QueueExecutor::attach(Queue& queue)
{
    queues_.push_back(&queue);
}

void QueueExecutor::detach(Queue& queue)
{
    std::erase(queues_, &queue);
}

void QueueExecutor::wake() noexcept
{
    woken_.store(true, std::memory_order_release);
}

bool QueueExecutor::runOne()
{
    if (woken_.exchange(false, std::memory_order_acq_rel)) {
        // A queue may detach another while it drains: walk a copy.
        const std::vector<Queue*> queues = queues_;
        for (Queue* queue : queues) {
            if (std::find(queues_.begin(), queues_.end(), queue) != queues_.end()) {
                queue->drain();
            }
        }
        return true;
    }
    Task task;
    {
        const std::lock_guard lock(mutex_);
        if (tasks_.empty()) {
            return false;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
    return true;
}

std::size_t QueueExecutor::drain()
{
    std::size_t n = 0;
    while (runOne()) {
        ++n;
    }
    return n;
}

std::size_t QueueExecutor::pending() const
{
    const std::lock_guard lock(mutex_);
    return tasks_.size() + (woken_.load(std::memory_order_acquire) ? 1 : 0);
}

Platform::Platform()
{
    output.setProcessNamer([this](int pid) { return workspace.appForPid(pid); });
}

void Platform::setFrontmost(std::optional<std::string> appID)
{
    if (!appID) {
        frontmost.clear();
        return;
    }
    int pid = 0;
    if (auto running = workspace.runningInstances(*appID); !running.empty()) {
        pid = running.front().pid;
    }
    frontmost.publish(std::move(appID), pid);
}

} // namespace norvane::sim
