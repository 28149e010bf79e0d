#pragma once

class QQmlEngine;

namespace norvane::ui {

class AppDirectory;
class AppState;
class WindowController;

// Makes the C++ side known to the engine's QML under `import Norvane 1.0`:
// the AppState and WindowController singletons (owned by C++), the
// controls' types, symbols and the application icon provider.
void registerQmlTypes(QQmlEngine& engine, AppState& state, WindowController* windows);

} // namespace norvane::ui
