#include "ui/lifecycle/input_key_emitter.h"

#include "platform/linux/input/linux_input.h"

#include <QMetaObject>
#include <QObject>

namespace norvane::ui {

void InputKeyEmitter::emitKeys(std::vector<InputEvent> events, std::function<void()> done)
{
    const bool queued = QMetaObject::invokeMethod(
        &mainThread_,
        [this, events = std::move(events), done]() mutable { input_.postKeyEvents(events, std::move(done)); },
        Qt::QueuedConnection);
    if (!queued) {
        done();
    }
}

} // namespace norvane::ui
