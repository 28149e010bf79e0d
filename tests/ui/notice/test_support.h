#pragma once

#include "ui/state/app_directory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQuickView>

#include <map>

namespace norvane::testing {

// Icons by application id; nothing else.
class FakeApps final : public ui::AppDirectory {
public:
    std::map<std::string, std::string> icons;

    std::vector<ui::AppEntry> installed() override { return {}; }
    std::vector<std::string> running() override { return {}; }
    std::optional<std::string> iconFile(const std::optional<std::string>& appID, int /*sizePx*/) override
    {
        const auto found = appID ? icons.find(*appID) : icons.end();
        return found == icons.end() ? std::nullopt : std::optional(found->second);
    }
};

// Handles events until `done` holds or `limitMs` has passed; whether it held.
template <typename Done> bool waitUntil(Done done, int limitMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Handles events for `ms`.
inline void pause(int ms)
{
    waitUntil([] { return false; }, ms);
}

// The notice's window once it exists.
inline QQuickView* noticeWindow()
{
    for (auto* window : QGuiApplication::allWindows()) {
        if (window->objectName() == QLatin1String("notice")) {
            return qobject_cast<QQuickView*>(window);
        }
    }
    return nullptr;
}

} // namespace norvane::testing
