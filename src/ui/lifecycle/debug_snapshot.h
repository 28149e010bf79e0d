#pragma once

#include <QObject>
#include <QString>

namespace norvane {
class AppModel;
class Notifier;
} // namespace norvane

namespace norvane::ui {

class WindowController;

// Renders the six main views to DIR/1-group.png … DIR/6-onboarding.png, one
// every 1.2 s, then shows the "下一首" notice and quits 0.4 s later. A shot
// that cannot be written is skipped.
class DebugSnapshot final : public QObject {
    Q_OBJECT

public:
    DebugSnapshot(AppModel& model, WindowController& windows, Notifier& notifier, QString dir,
                  QObject* parent = nullptr);
    void start();
    [[nodiscard]] int written() const noexcept { return written_; }

private:
    void prepare(int shot);
    void capture(int shot);

    AppModel& model_;
    WindowController& windows_;
    Notifier& notifier_;
    QString dir_;
    int written_ = 0;
};

} // namespace norvane::ui
