#pragma once

#include "platform/linux/workspace/key_emitter.h"

class QObject;

namespace norvane::linux_input {
class LinuxInput;
}

namespace norvane::ui {

// Keys for one application, typed through the input layer's output device.
// The delivery thread calls emitKeys(); the input layer takes output from
// the main thread, so the request hops there first.
class InputKeyEmitter final : public linux_workspace::KeyEmitter {
public:
    InputKeyEmitter(linux_input::LinuxInput& input, QObject& mainThread) : input_(input), mainThread_(mainThread) {}
    void emitKeys(std::vector<InputEvent> events, std::function<void()> done) override;

private:
    linux_input::LinuxInput& input_;
    QObject& mainThread_;
};

} // namespace norvane::ui
