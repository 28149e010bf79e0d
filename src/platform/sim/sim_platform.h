#pragma once

#include "platform/event_output.h"
#include "platform/event_tap.h"
#include "platform/executor.h"
#include "platform/notifier.h"
#include "platform/page_address.h"
#include "platform/sim/sim_journal.h"
#include "platform/workspace.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace norvane::sim {

// A tap that starts unless told to fail, and lets a test feed events.
class EventTap final : public norvane::EventTap {
public:
    bool start(InputHandler& handler) override;
    void setFailing(bool failing) { failing_ = failing; }
    [[nodiscard]] bool started() const noexcept { return handler_ != nullptr; }
    // Hands the event to the installed handler: true delivered, false dropped.
    // Without a handler every event is delivered unchanged.
    bool feed(InputEvent& event);

private:
    InputHandler* handler_ = nullptr;
    bool failing_ = false;
};

// Records posted output in the journal.
class EventOutput final : public norvane::EventOutput {
public:
    explicit EventOutput(Journal& journal) : journal_(journal) {}
    void postKeyEvents(std::span<const InputEvent> events) override;
    void postKeyEventsToProcess(int pid, std::span<const InputEvent> events) override;
    void postMediaKeyEvent(MediaKeyEvent event) override;
    // Names the process a pid belongs to in the journal.
    void setProcessNamer(std::function<std::string(int)> namer) { namer_ = std::move(namer); }

private:
    Journal& journal_;
    std::function<std::string(int)> namer_;
};

// Scripted page addresses: the address any application reports when asked
// (or one per application), every read recorded. Thread-safe.
class PageAddresses final : public PageAddressSource {
public:
    explicit PageAddresses(Journal& journal) : journal_(journal) {}
    [[nodiscard]] PageAddress currentURL(const std::string& appID) const override;
    // What every application answers unless it has its own address.
    void setAddress(std::optional<std::string> url);
    void setAddress(const std::string& appID, std::optional<std::string> url);

private:
    Journal& journal_;
    mutable std::mutex mutex_;
    PageAddress any_;
    std::map<std::string, PageAddress, std::less<>> perApp_;
};

// Scripted installed and running applications; open and hide recorded.
class Workspace final : public norvane::Workspace {
public:
    explicit Workspace(Journal& journal) : journal_(journal) {}
    [[nodiscard]] std::optional<std::string> installedLocation(const std::string& appID) override;
    [[nodiscard]] std::vector<RunningApp> runningInstances(const std::string& appID) override;
    [[nodiscard]] std::vector<RunningApp> runningApplications() override;
    void open(const std::string& appID) override;
    void hide(const FrontApp& app) override;

    void setInstalled(std::vector<std::string> appIDs);
    void addInstalled(const std::string& appID);
    // Replaces the running set; each application gets one instance with a
    // stable made-up pid.
    void setRunning(const std::vector<std::string>& appIDs);
    [[nodiscard]] std::string appForPid(int pid) const;

private:
    Journal& journal_;
    std::vector<std::string> installed_;
    std::vector<RunningApp> running_;
    std::map<std::string, int, std::less<>> pids_;
};

// Records notices and whether they would be on screen.
class Notifier final : public norvane::Notifier {
public:
    explicit Notifier(Journal& journal) : journal_(journal) {}
    void show(const Notice& notice) override;
    void setShowHUD(bool on) { showHUD_ = on; }
    [[nodiscard]] bool showHUD() const noexcept { return showHUD_; }

private:
    Journal& journal_;
    bool showHUD_ = true;
};

// The main-thread queue: tasks and wakes wait until the test runs them.
// post() and wake() are thread-safe; the rest belongs to the "main thread".
class QueueExecutor final : public Executor {
public:
    void post(Task task) override;
    void attach(Queue& queue) override;
    void detach(Queue& queue) override;
    void wake() noexcept override;

    // Drains the attached queues when woken, else runs the oldest task;
    // false when there was nothing to do.
    bool runOne();
    // Runs tasks until the queue is empty (including tasks posted meanwhile).
    std::size_t drain();
    // Tasks waiting, plus one for a wake not served yet.
    [[nodiscard]] std::size_t pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<Task> tasks_;
    std::vector<Queue*> queues_;
    std::atomic<bool> woken_{false};
};

// The whole simulated platform, wired to one journal.
struct Platform {
    Platform();
    Journal journal;
    EventTap tap;
    EventOutput output{journal};
    FrontmostSnapshot frontmost;
    PageAddresses pages{journal};
    Workspace workspace{journal};
    Notifier notifier{journal};
    QueueExecutor executor;

    // Puts an application in front (pid from the running set when it runs),
    // or none.
    void setFrontmost(std::optional<std::string> appID);
};

} // namespace norvane::sim
