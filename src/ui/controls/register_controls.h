#pragma once

class QQmlEngine;

namespace norvane::ui {

class AppDirectory;

// Makes the shared controls' C++ parts known to QML: FlowRow and the Symbols
// singleton in module "Norvane" 1.0, and the "appicon" image provider on
// `engine`, which owns it. `apps` must outlive the engine. Types are
// registered once per process; the provider once per engine.
void registerControls(QQmlEngine& engine, AppDirectory& apps);

} // namespace norvane::ui
