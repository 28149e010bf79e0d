#include "ui/controls/register_controls.h"

#include "ui/controls/flow_row.h"
#include "ui/icons/app_icon_provider.h"
#include "ui/icons/symbols.h"

#include <QQmlEngine>

#include <mutex>

namespace norvane::ui {

void registerControls(QQmlEngine& engine, AppDirectory& apps)
{
    static std::once_flag once;
    std::call_once(once, [] {
        (void)symbolFontFamily(); // on the main thread, before any loader thread draws
        qmlRegisterType<FlowRow>("Norvane", 1, 0, "FlowRow");
        qmlRegisterSingletonType<Symbols>("Norvane", 1, 0, "Symbols",
                                          [](QQmlEngine*, QJSEngine*) -> QObject* { return new Symbols; });
    });
    engine.addImageProvider(QStringLiteral("appicon"), new AppIconProvider(apps));
}

} // namespace norvane::ui
