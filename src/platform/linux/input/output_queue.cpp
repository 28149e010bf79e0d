#include "platform/linux/input/output_queue.h"

#include "platform/linux/input/key_translation.h"

namespace norvane::linux_input {

bool OutputQueue::pushKeys(std::span<const InputEvent> events, std::uint64_t doneId)
{
    // Two passes over the events: the batch is sized first, so it goes in
    // whole or not at all, however long it is.
    std::size_t keys = 0;
    for (const InputEvent& event : events) {
        if (event.isKey() && evdevKeyFor(event.keyCode)) {
            ++keys;
        }
    }
    const std::size_t count = keys + (doneId != 0 ? 1 : 0);
    auto next = events.begin();
    return push(count, [&](std::size_t i, OutputRequest& slot) {
        slot = OutputRequest{};
        if (i == keys) {
            slot.kind = OutputRequest::Kind::done;
            slot.doneId = doneId;
            return;
        }
        for (;; ++next) {
            if (const auto code = next->isKey() ? evdevKeyFor(next->keyCode) : std::nullopt) {
                slot.down = next->isDown();
                slot.code = *code;
                slot.flags = next->flags;
                ++next;
                return;
            }
        }
    });
}

} // namespace norvane::linux_input
