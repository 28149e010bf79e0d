#pragma once

class QQmlEngine;

namespace norvane::ui {

class ActivityBackend;
class AppDirectory;
class AppState;
class WindowController;

// Makes the C++ side known to the engine's QML under `import Norvane 1.0`:
// the AppState, WindowController and Activity singletons (owned by C++), the
// controls' types, symbols and the application icon provider.
void registerQmlTypes(QQmlEngine& engine, AppState& state, WindowController* windows,
                      ActivityBackend* activity = nullptr);

} // namespace norvane::ui
