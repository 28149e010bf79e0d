#pragma once

#include "platform/press_monitor.h"

#include <QObject>

#include <map>

class QKeyEvent;

namespace norvane::ui {

// The local press monitor: key presses addressed to this application's
// windows while a trigger is being recorded. It filters the application's
// events, so a reported press never reaches a text field or a shortcut.
class WindowKeyMonitor final : public QObject, public PressMonitor {
    Q_OBJECT

public:
    explicit WindowKeyMonitor(QObject* parent = nullptr);
    ~WindowKeyMonitor() override;

    std::optional<Token> add(Watch watch, Handler handler) override;
    void remove(Token token) override;

    // The press a key event stands for; nothing for modifier keys alone and
    // keys without a known code.
    static std::optional<MonitoredPress> pressFor(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<Token, Handler> handlers_;
    Token next_ = 1;
    bool installed_ = false;
};

} // namespace norvane::ui
