#include "platform/linux/input/input_loop.h"

#include <algorithm>
#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace norvane::linux_input {

namespace {

// epoll tags of the fixed sources; devices are tagged by their address.
constexpr std::uint64_t tagWake = 1;
constexpr std::uint64_t tagHotplug = 2;
constexpr std::uint64_t tagSignal = 3;
constexpr std::uint64_t tagLeds = 4;
constexpr std::uint64_t tagStop = 5;

bool watch(int epoll, int fd, std::uint64_t tag)
{
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = tag;
    return ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &ev) == 0;
}

} // namespace

InputLoop::InputLoop(InputReports& reports, InputHandler& handler, OutputQueue& queue, LoopSettings settings)
    : reports_(reports), handler_(handler), queue_(queue), settings_(std::move(settings)),
      dispatcher_(handler_, *this, batch_, settings_.passive)
{
    dispatcher_.setModifierGap(settings_.output.modifierGap.count() > 0);
}

InputLoop::~InputLoop()
{
    devices_.clear();
    removed_.clear();
    signals_.uninstall();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
}

bool InputLoop::open()
{
    if (!settings_.passive) {
        output_ = UinputOutput::create(settings_.output);
        if (!output_) {
            return false;
        }
        batch_.setSink(*output_);
    }
    discovery_ = DeviceDiscovery::create(true);
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (!discovery_ || epoll_ < 0 || wakeFd_ < 0 || !watch(epoll_, wakeFd_, tagWake) ||
        !watch(epoll_, discovery_->fd(), tagHotplug)) {
        return false;
    }
    if (output_ && !watch(epoll_, output_->fd(), tagLeds)) {
        return false;
    }
    if (settings_.signals && !settings_.passive && signals_.install()) {
        watch(epoll_, signals_.fd(), tagSignal);
    }
    for (auto& info : discovery_->enumerate()) {
        if (isTaken(info.cls)) {
            addDevice(std::move(info));
        }
    }
    // Caps lock as the keyboards show it, until the desktop sets our LED.
    for (const auto& device : devices_) {
        if (device->info().cls == DeviceClass::keyboard) {
            dispatcher_.setCapsLock(device->ledOn(LED_CAPSL));
            break;
        }
    }
    publishDevices();
    return true;
}

void InputLoop::run(int stopFd)
{
    grabMice_ = grabMiceRequested_.load();
    reconcileAll();
    batch_.flush();
    publishDevices();
    bool stopping = !watch(epoll_, stopFd, tagStop);
    epoll_event events[32];
    while (!stopping) {
        const int n = ::epoll_wait(epoll_, events, 32, -1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < n; ++i) {
            switch (events[i].data.u64) {
            case tagStop:
                stopping = true;
                break;
            case tagWake:
                onWake();
                break;
            case tagHotplug:
                onHotplug();
                break;
            case tagSignal:
                onSignal();
                break;
            case tagLeds:
                onLeds();
                break;
            default:
                onDevice(*static_cast<EvdevDevice*>(events[i].data.ptr), events[i].events);
                break;
            }
            if (panicPending_) {
                panic();
            }
        }
        batch_.flush();
        removed_.clear();
        publishDevices();
    }
    releaseEverything();
    publishDevices();
}

void InputLoop::wake() noexcept
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void InputLoop::requestGrabMice(bool grab) noexcept
{
    grabMiceRequested_.store(grab, std::memory_order_release);
    wake();
}

void InputLoop::requestResume() noexcept
{
    resumeRequested_.store(true, std::memory_order_release);
    wake();
}

std::string InputLoop::outputDevnode() const
{
    return output_ ? output_->devnode() : std::string();
}

void InputLoop::extraButtonPressed(std::int64_t button)
{
    reports_.extraButtonPressed(button);
}

void InputLoop::panicChord()
{
    panicPending_ = true;
}

void InputLoop::onDevice(EvdevDevice& device, std::uint32_t events)
{
    const auto result = device.read([this, &device](const input_event& ev) {
        if (!panicPending_) {
            dispatcher_.onEvent(device.keys, ev);
        }
    });
    if (result == EvdevDevice::Read::gone ||
        (result == EvdevDevice::Read::drained && (events & (EPOLLHUP | EPOLLERR)) != 0)) {
        removeDevice(device);
        return;
    }
    if (!device.keys.forwarding && !panicPending_) {
        reconcile(device);
    }
}

void InputLoop::onHotplug()
{
    while (auto change = discovery_->receive()) {
        const auto known = std::find_if(devices_.begin(), devices_.end(),
                                        [&](const auto& d) { return d->info().syspath == change->info.syspath; });
        if (change->added) {
            if (known == devices_.end() && isTaken(change->info.cls)) {
                addDevice(std::move(change->info));
            }
        } else if (known != devices_.end()) {
            removeDevice(**known);
        }
    }
}

void InputLoop::onWake()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    queue_.drain([this](const OutputRequest& request) {
        if (request.kind == OutputRequest::Kind::key) {
            dispatcher_.synthetic(request.code, request.down, request.flags);
        } else {
            batch_.flush();
            reports_.outputDone(request.doneId);
        }
    });
    grabMice_ = grabMiceRequested_.load(std::memory_order_acquire);
    if (resumeRequested_.exchange(false)) {
        paused_ = false;
        reports_.pausedChanged(false);
    }
    reconcileAll();
}

void InputLoop::onSignal()
{
    while (const int signal = signals_.take()) {
        holding_ = true;
        releaseEverything();
        signals_.continueWithDefault(signal);
        holding_ = false;
    }
    reconcileAll();
}

void InputLoop::onLeds()
{
    output_->readLeds([this](unsigned code, bool on) {
        if (code == LED_CAPSL) {
            dispatcher_.setCapsLock(on);
        }
        // Grabbed keyboards no longer hear from the desktop: show its LEDs.
        for (const auto& device : devices_) {
            if (device->grabbed()) {
                device->setLed(code, on);
            }
        }
    });
}

void InputLoop::addDevice(DeviceInfo info)
{
    auto device = EvdevDevice::open(std::move(info));
    if (!device) {
        return; // no access yet, or gone again
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.ptr = device.get();
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, device->fd(), &ev) != 0) {
        return;
    }
    devices_.push_back(std::move(device));
    devicesChanged_ = true;
    reconcile(*devices_.back());
}

void InputLoop::removeDevice(EvdevDevice& device)
{
    dispatcher_.deviceRemoved(device.keys);
    batch_.flush();
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, device.fd(), nullptr);
    const auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) { return d.get() == &device; });
    if (it != devices_.end()) {
        removed_.push_back(std::move(*it));
        devices_.erase(it);
        devicesChanged_ = true;
    }
}

bool InputLoop::wantsGrab(const EvdevDevice& device) const noexcept
{
    if (settings_.passive || paused_ || holding_) {
        return false;
    }
    const DeviceClass cls = device.info().cls;
    return cls == DeviceClass::keyboard || (cls == DeviceClass::mouse && grabMice_);
}

void InputLoop::reconcile(EvdevDevice& device)
{
    const bool want = wantsGrab(device);
    if (want && !device.keys.forwarding) {
        // Never while a key is down: its release would go to us alone and
        // the desktop would repeat it forever.
        if (device.keys.held.any() || !device.grab()) {
            return;
        }
        // What was queued before the grab already reached the desktop: read
        // it without passing it on.
        const auto result =
            device.read([this, &device](const input_event& ev) { dispatcher_.onEvent(device.keys, ev); });
        if (result == EvdevDevice::Read::gone) {
            removeDevice(device);
            return;
        }
        if (device.keys.held.any() || device.anyKeyDownNow()) {
            device.ungrab();
            return;
        }
        dispatcher_.setForwarding(device.keys, true);
        device.setLed(LED_CAPSL, dispatcher_.capsLock());
        devicesChanged_ = true;
    } else if (!want && device.grabbed()) {
        dispatcher_.setForwarding(device.keys, false);
        batch_.flush();
        device.ungrab();
        devicesChanged_ = true;
    }
}

void InputLoop::reconcileAll()
{
    // reconcile() may remove the device it is given (and only that one):
    // step past a device only when it is still in its place.
    for (std::size_t i = 0; i < devices_.size();) {
        EvdevDevice* device = devices_[i].get();
        reconcile(*device);
        if (i < devices_.size() && devices_[i].get() == device) {
            ++i;
        }
    }
    batch_.flush();
}

void InputLoop::releaseEverything()
{
    for (const auto& device : devices_) {
        dispatcher_.setForwarding(device->keys, false);
        batch_.flush();
        device->ungrab();
    }
    devicesChanged_ = true;
    dispatcher_.releaseOutput();
    batch_.flush();
}

void InputLoop::publishDevices()
{
    if (!devicesChanged_) {
        return;
    }
    devicesChanged_ = false;
    auto list = std::make_shared<std::vector<DeviceStatus>>();
    for (const auto& device : devices_) {
        list->push_back(DeviceStatus{device->info().devnode, device->info().caps.name,
                                     device->info().cls == DeviceClass::keyboard, device->keys.forwarding});
    }
    reports_.devicesChanged(std::move(list));
}

void InputLoop::panic()
{
    panicPending_ = false;
    paused_ = true;
    reports_.pausedChanged(true);
    releaseEverything();
    reports_.panicked();
}

} // namespace norvane::linux_input
