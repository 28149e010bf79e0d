#include "key_latency.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace norvane::kernel_test {

namespace {

std::int64_t nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

} // namespace

KeyLatency measureKeyLatency(FakeDevice& device, EventReader& reader, std::uint16_t code, std::uint16_t expected,
                             int count, std::chrono::microseconds gap)
{
    std::vector<std::int64_t> times;
    times.reserve(static_cast<std::size_t>(count));
    KeyLatency latency;
    latency.events = count;
    for (int i = 0; i < count; ++i) {
        const std::int32_t value = i % 2 == 0 ? 1 : 0;
        if (gap.count() > 0) {
            std::this_thread::sleep_for(gap);
        }
        const std::int64_t start = nowNs();
        device.key(code, value);
        bool seen = false;
        while (!seen) {
            const auto ev = reader.next(1000ms);
            if (!ev) {
                break;
            }
            seen = ev->type == EV_KEY && ev->code == expected && ev->value == value;
        }
        if (!seen) {
            ++latency.lost;
            continue;
        }
        times.push_back(nowNs() - start);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        latency.p50us = static_cast<double>(times[times.size() / 2]) / 1000.0;
        latency.p99us = static_cast<double>(times[times.size() * 99 / 100]) / 1000.0;
    }
    return latency;
}

void printKeyLatency(const char* what, const KeyLatency& latency)
{
    std::printf("LATENCY %-12s p50 %8.1f us  p99 %8.1f us  (%d events, %d lost)\n", what, latency.p50us, latency.p99us,
                latency.events, latency.lost);
    std::fflush(stdout);
}

} // namespace norvane::kernel_test
