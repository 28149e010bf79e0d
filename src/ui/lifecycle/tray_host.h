#pragma once

#include <chrono>
#include <functional>

class QObject;

namespace norvane::ui {

// Qt decides once per process whether a tray host exists, so the tray icon
// is made only after a StatusNotifier watcher is on the session bus.
// `ready(true)` runs as soon as one is (at once when it already is), or when
// an X11 tray (XEmbed) exists after `limit`; `ready(false)` when neither
// came within `limit`. Runs once, on the main thread.
void whenTrayHostReady(QObject* context, std::chrono::milliseconds limit, std::function<void(bool)> ready);

} // namespace norvane::ui
