#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <linux/input.h>
#include <span>

namespace norvane::linux_input {

// Where output events end up: the uinput device, or a recorder in tests.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void write(std::span<const input_event> events) = 0;
    // The configured pause between a modifier change and the key it is for.
    virtual void pause() = 0;
};

// The sink of read-only observation: nothing is written anywhere.
class NullSink final : public EventSink {
public:
    void write(std::span<const input_event> /*events*/) override {}
    void pause() override {}
};

// Collects the events produced for one piece of input and hands them to the
// sink in as few writes as possible. Fixed capacity: nothing allocates; a
// full batch is written out early.
class OutputBatch {
public:
    static constexpr std::size_t capacity = 128;

    explicit OutputBatch(EventSink& sink) noexcept : sink_(&sink) {}

    // Writes what is collected to the old sink, then uses `sink`.
    void setSink(EventSink& sink) noexcept
    {
        flush();
        sink_ = &sink;
    }

    void add(std::uint16_t type, std::uint16_t code, std::int32_t value) noexcept
    {
        if (size_ == capacity) {
            flush();
        }
        input_event& e = events_[size_++];
        e = input_event{};
        e.type = type;
        e.code = code;
        e.value = value;
        dirty_ = true;
    }
    // A key event followed by its SYN_REPORT.
    void key(std::uint16_t code, std::int32_t value) noexcept
    {
        add(EV_KEY, code, value);
        syn();
    }
    // Ends the current frame; nothing when no event was added since the last.
    void syn() noexcept
    {
        if (dirty_) {
            add(EV_SYN, SYN_REPORT, 0);
            dirty_ = false;
        }
    }
    // Writes what is collected, then waits the modifier gap.
    void gap() noexcept
    {
        flush();
        sink_->pause();
    }
    void flush() noexcept
    {
        if (size_ > 0) {
            sink_->write(std::span<const input_event>(events_.data(), size_));
            size_ = 0;
        }
    }

private:
    EventSink* sink_;
    std::array<input_event, capacity> events_{};
    std::size_t size_ = 0;
    bool dirty_ = false;
};

} // namespace norvane::linux_input
