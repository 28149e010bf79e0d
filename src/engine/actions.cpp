#include "engine/engine.h"
#include "model/app_names.h"

namespace norvane {

std::vector<InputEvent> Engine::makeKeyEvents(Combo combo)
{
    std::vector<InputEvent> events;
    if (combo.keyCode < 0 || combo.keyCode > maxKeyCode) {
        return events;
    }
    for (const bool down : {true, false}) {
        InputEvent e = InputEvent::key(down, combo.keyCode, combo.modifiers);
        e.userData = syntheticTag;
        events.push_back(e);
    }
    return events;
}

void Engine::postMediaKey(MediaKey key)
{
    services_.output.postMediaKeyEvent(MediaKeyEvent{key, true});
    services_.output.postMediaKeyEvent(MediaKeyEvent{key, false});
}

void Engine::toggleApp(const std::string& appID)
{
    if (const auto front = services_.frontmost.frontmost(); front && front->appID == appID) {
        services_.workspace.hide(*front);
        return;
    }
    if (services_.workspace.isInstalled(appID)) {
        services_.workspace.open(appID);
    }
}

void Engine::runAction(const CompiledMapping& mapping)
{
    const Action& action = mapping.action;
    if (const auto* keys = action.as<KeysAction>()) {
        if (keys->combo) {
            services_.output.postKeyEvents(makeKeyEvents(*keys->combo));
        }
    } else if (const auto* media = action.as<MediaAction>()) {
        const MediaKeyInfo& key = info(media->key);
        postMediaKey(media->key);
        services_.notifier.show(Notice{key.icon, std::nullopt, std::string(key.title), std::nullopt, false});
    } else if (const auto* send = action.as<SendKeysAction>()) {
        if (!send->app || !send->combo) {
            return;
        }
        const std::string& app = *send->app;
        const auto running = services_.workspace.runningInstances(app);
        if (running.empty()) {
            services_.notifier.show(
                Notice{Icon::warning, std::nullopt, appName(app) + " 没有运行", std::nullopt, true});
            return;
        }
        services_.output.postKeyEventsToProcess(running.front().pid, makeKeyEvents(*send->combo));
        services_.notifier.show(Notice{std::nullopt, app, mapping.note.empty() ? send->combo->label() : mapping.note,
                                       "已发送到 " + appName(app), false});
    } else if (const auto* open = action.as<OpenAppAction>()) {
        if (open->app) {
            toggleApp(*open->app);
        }
    }
}

} // namespace norvane
