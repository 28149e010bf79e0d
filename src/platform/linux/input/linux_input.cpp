#include "platform/linux/input/linux_input.h"

#include "platform/linux/input/input_access.h"
#include "platform/linux/input/input_loop.h"
#include "platform/linux/input/key_translation.h"
#include "platform/linux/input/output_queue.h"

#include <cstdio>

namespace norvane::linux_input {

LinuxInput::LinuxInput(LinuxInputOptions options)
    : options_(std::move(options)), queue_(std::make_unique<OutputQueue>()), alive_(std::make_shared<LinuxInput*>(this))
{}

LinuxInput::~LinuxInput()
{
    stop();
}

bool LinuxInput::start(InputHandler& handler)
{
    if (thread_.joinable()) {
        return true;
    }
    const InputAccess access = checkInputAccess(options_.inputDir, options_.uinputPath);
    if (options_.passive ? !access.canRead() : !access.trusted()) {
        return false;
    }
    LoopSettings settings;
    settings.passive = options_.passive;
    settings.signals = options_.releaseOnSignals;
    settings.output.uinputPath = options_.uinputPath;
    settings.output.builtInKeyboard = options_.builtInKeyboard;
    settings.output.modifierGap = options_.modifierGap;
    auto loop = std::make_unique<InputLoop>(*this, handler, *queue_, std::move(settings));
    if (!loop->open()) {
        return false;
    }
    loop->requestGrabMice(grabMice_.load(std::memory_order_acquire));
    loop_ = std::move(loop);
    thread_ = std::thread([loop = loop_.get()] { loop->run(); });
    return true;
}

void LinuxInput::stop()
{
    if (!thread_.joinable()) {
        return;
    }
    loop_->requestStop();
    thread_.join();
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
    const auto code = evdevMediaKeyFor(event.nxKey);
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

void LinuxInput::post(Executor::Task task)
{
    if (options_.executor != nullptr) {
        options_.executor->post(std::move(task));
    }
}

void LinuxInput::onPanic()
{
    post([alive = std::weak_ptr<LinuxInput*>(alive_)] {
        if (const auto self = alive.lock(); self && (*self)->panicHandler_) {
            (*self)->panicHandler_();
        }
    });
}

void LinuxInput::onExtraButton(std::int64_t button)
{
    if (watchers_.load(std::memory_order_acquire) == 0) {
        return;
    }
    post([alive = std::weak_ptr<LinuxInput*>(alive_), button] {
        const auto self = alive.lock();
        if (!self) {
            return;
        }
        // A handler may remove monitors: call a snapshot, each only if still there.
        std::vector<Token> tokens;
        for (const auto& [token, handler] : (*self)->monitors_) {
            tokens.push_back(token);
        }
        for (const Token token : tokens) {
            const auto it = (*self)->monitors_.find(token);
            if (it != (*self)->monitors_.end()) {
                const Handler handler = it->second;
                handler(MonitoredPress::mouse(button));
            }
        }
    });
}

void LinuxInput::onOutputDone(std::uint64_t id)
{
    post([alive = std::weak_ptr<LinuxInput*>(alive_), id] {
        const auto self = alive.lock();
        if (!self) {
            return;
        }
        const auto it = (*self)->completions_.find(id);
        if (it == (*self)->completions_.end()) {
            return;
        }
        auto task = std::move(it->second);
        (*self)->completions_.erase(it);
        if (task) {
            task();
        }
    });
}

} // namespace norvane::linux_input
