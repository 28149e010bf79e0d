#include "ui/qml_types.h"

#include "ui/controls/register_controls.h"
#include "ui/lifecycle/window_controller.h"
#include "ui/state/activity_backend.h"
#include "ui/state/app_state.h"
#include "ui/state/mapping_list_model.h"

#include <QQmlEngine>

namespace norvane::ui {

void registerQmlTypes(QQmlEngine& engine, AppState& state, WindowController* windows, ActivityBackend* activity)
{
    qmlRegisterSingletonInstance("Norvane", 1, 0, "AppState", &state);
    if (windows != nullptr) {
        qmlRegisterSingletonInstance("Norvane", 1, 0, "Windows", windows);
    }
    if (activity != nullptr) {
        qmlRegisterSingletonInstance("Norvane", 1, 0, "Activity", activity);
    }
    qmlRegisterUncreatableType<RecentListModel>("Norvane", 1, 0, "RecentListModel",
                                                QStringLiteral("comes from Activity.recent"));
    qmlRegisterUncreatableType<GroupListModel>("Norvane", 1, 0, "GroupListModel",
                                               QStringLiteral("comes from AppState.groups"));
    qmlRegisterUncreatableType<MappingListModel>("Norvane", 1, 0, "MappingListModel",
                                                 QStringLiteral("comes from Mappings.mappings"));
    registerControls(engine, state.apps());
}

} // namespace norvane::ui
