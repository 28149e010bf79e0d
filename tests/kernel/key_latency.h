#pragma once

#include "vm_devices.h"

#include <cstdint>

namespace norvane::kernel_test {

// The time from writing a key to a "physical" device until the expected key
// can be read from another node, over many presses and releases.
struct KeyLatency {
    double p50us = 0;
    double p99us = 0;
    int events = 0;
    int lost = 0; // not seen within a second
};

// Presses and releases `code` on `device` in turn, `count` changes in all;
// each time waits for the key `expected` with the same value on `reader`.
// With a `gap`, waits that long before each change (as typing leaves the
// reader idle between keys); without, writes the next one at once.
KeyLatency measureKeyLatency(FakeDevice& device, EventReader& reader, std::uint16_t code, std::uint16_t expected,
                             int count, std::chrono::microseconds gap = {});

// One line: "LATENCY <what> p50 ... us  p99 ... us  (N events, L lost)".
void printKeyLatency(const char* what, const KeyLatency& latency);

} // namespace norvane::kernel_test
