#include "platform/linux/input/linux_input.h"

#include "platform/linux/input/input_access.h"
#include "platform/linux/input/input_loop.h"
#include "platform/linux/input/key_translation.h"
#include "platform/linux/input/output_queue.h"

#include <cstdio>

namespace norvane::linux_input {

LinuxInput::LinuxInput(LinuxInputOptions options)
    : options_(std::move(options)), queue_(std::make_unique<OutputQueue>())
{}

LinuxInput::~LinuxInput()
{
    stop();
    if (attached_) {
        options_.executor->detach(*this);
    }
}

bool LinuxInput::start(InputHandler& handler)
{
    if (thread_.running()) {
        return true;
    }
    const InputAccess access = checkInputAccess(options_.inputDir, options_.uinputPath);
    if (options_.passive ? !access.canRead() : !access.canRemap()) {
        return false;
    }
    LoopSettings settings;
    settings.passive = options_.passive;
    settings.signals = options_.releaseOnSignals;
    settings.output.uinputPath = options_.uinputPath;
    settings.output.builtInKeyboard = options_.builtInKeyboard;
    settings.output.modifierGap = options_.modifierGap;
    auto loop = std::make_unique<InputLoop>(static_cast<InputReports&>(*this), handler, *queue_, std::move(settings));
    if (!loop->open()) {
        return false;
    }
    if (options_.executor != nullptr && !attached_) {
        options_.executor->attach(*this);
        attached_ = true;
    }
    loop->requestGrabMice(grabMice_.load(std::memory_order_acquire));
    if (!thread_.startLoop([raw = loop.get()](int stopFd) { raw->run(stopFd); })) {
        return false;
    }
    loop_ = std::move(loop);
    return true;
}

void LinuxInput::stop()
{
    if (!thread_.running()) {
        return;
    }
    thread_.stop(); // the loop releases everything before it returns
    loop_.reset();
}

bool LinuxInput::enqueue(std::span<const InputEvent> events, std::uint64_t doneId)
{
    if (!loop_) {
        return false;
    }
    if (!queue_->pushKeys(events, doneId)) {
        // Refused whole (a batch larger than the queue, or an input thread
        // that has not kept up): no press goes out without its release.
        if (!refusalLogged_.exchange(true)) {
            std::fprintf(stderr, "norvane: %zu synthetic key events were not sent: the output queue is full\n",
                         events.size());
        }
        return false;
    }
    loop_->wake();
    return true;
}

void LinuxInput::postKeyEvents(std::span<const InputEvent> events)
{
    enqueue(events, 0);
}

void LinuxInput::postKeyEvents(std::span<const InputEvent> events, Executor::Task done)
{
    const std::uint64_t id = nextDone_++;
    completions_.emplace(id, std::move(done));
    if (!enqueue(events, id)) {
        // Not sent: the caller still gets its completion.
        auto task = std::move(completions_[id]);
        completions_.erase(id);
        if (task) {
            task();
        }
    }
}

void LinuxInput::postKeyEventsToProcess(int pid, std::span<const InputEvent> events)
{
    if (processDelivery_) {
        processDelivery_(pid, events);
    }
}

void LinuxInput::postMediaKeyEvent(MediaKeyEvent event)
{
    const auto code = evdevMediaKeyFor(event.key);
    if (!code || !loop_) {
        return;
    }
    // Media keys go out without modifiers, so that the desktop's media-key
    // bindings see the bare key.
    OutputRequest request;
    request.down = event.down;
    request.code = *code;
    if (queue_->push(std::span<const OutputRequest>(&request, 1))) {
        loop_->wake();
    }
}

void LinuxInput::setProcessDelivery(ProcessDelivery delivery)
{
    processDelivery_ = std::move(delivery);
}

void LinuxInput::setGrabMice(bool grab)
{
    grabMice_.store(grab, std::memory_order_release);
    if (loop_) {
        loop_->requestGrabMice(grab);
    }
}

void LinuxInput::setPanicHandler(std::function<void()> handler)
{
    panicHandler_ = std::move(handler);
}

void LinuxInput::resume()
{
    if (loop_) {
        loop_->requestResume();
    }
}

std::optional<PressMonitor::Token> LinuxInput::add(Watch watch, Handler handler)
{
    if (watch != Watch::mouseButtons || !handler || options_.executor == nullptr) {
        return std::nullopt;
    }
    const Token token = nextToken_++;
    monitors_.emplace(token, std::move(handler));
    watchers_.fetch_add(1, std::memory_order_release);
    return token;
}

void LinuxInput::remove(Token token)
{
    if (monitors_.erase(token) > 0) {
        watchers_.fetch_sub(1, std::memory_order_release);
    }
}

std::string LinuxInput::outputDevnode() const
{
    return loop_ ? loop_->outputDevnode() : std::string();
}

std::vector<DeviceStatus> LinuxInput::devices() const
{
    const auto current = devices_.load(std::memory_order_acquire);
    return current ? *current : std::vector<DeviceStatus>();
}

void LinuxInput::panicked()
{
    panicReported_.store(true, std::memory_order_release);
    wakeMainThread();
}

void LinuxInput::pausedChanged(bool paused)
{
    paused_.store(paused, std::memory_order_release);
}

void LinuxInput::extraButtonPressed(std::int64_t button)
{
    if (watchers_.load(std::memory_order_acquire) > 0) {
        report(Report{Report::Kind::button, button, 0});
    }
}

void LinuxInput::outputDone(std::uint64_t id)
{
    report(Report{Report::Kind::done, 0, id});
}

void LinuxInput::devicesChanged(DeviceList devices)
{
    devices_.store(std::move(devices), std::memory_order_release);
}

void LinuxInput::report(Report report) noexcept
{
    // A full ring (the main thread stalled for hundreds of presses) loses
    // the report, never input.
    if (options_.executor != nullptr && reports_.push([&](Report& slot) { slot = report; })) {
        wakeMainThread();
    }
}

void LinuxInput::wakeMainThread() noexcept
{
    // One wake until the main thread starts draining: it takes the batch.
    if (options_.executor != nullptr && !wakePending_.exchange(true, std::memory_order_acq_rel)) {
        options_.executor->wake();
    }
}

void LinuxInput::drain()
{
    (void)wakePending_.exchange(false, std::memory_order_acq_rel);
    reports_.drain([this](const Report& r) {
        if (r.kind == Report::Kind::button) {
            runMonitors(r.button);
        } else {
            complete(r.doneId);
        }
    });
    if (panicReported_.exchange(false, std::memory_order_acq_rel) && panicHandler_) {
        panicHandler_();
    }
}

void LinuxInput::runMonitors(std::int64_t button)
{
    // A handler may remove monitors: call a snapshot, each only if still there.
    std::vector<Token> tokens;
    tokens.reserve(monitors_.size());
    for (const auto& [token, handler] : monitors_) {
        tokens.push_back(token);
    }
    for (const Token token : tokens) {
        const auto it = monitors_.find(token);
        if (it != monitors_.end()) {
            const Handler handler = it->second;
            handler(MonitoredPress::mouse(button));
        }
    }
}

void LinuxInput::complete(std::uint64_t id)
{
    const auto it = completions_.find(id);
    if (it == completions_.end()) {
        return;
    }
    auto task = std::move(it->second);
    completions_.erase(it);
    if (task) {
        task();
    }
}

} // namespace norvane::linux_input
