#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace norvane::ui {

// Turns SIGTERM (the session ending, kill), SIGINT (Ctrl+C in a terminal)
// and SIGHUP (the terminal or session going away) into `received` on the
// main thread, so that the app can quit in order and write what is pending
// rather than die with it. The handler only writes the signal's number to a
// pipe; a second signal of the same kind takes its default effect at once,
// so a quit that hangs can still be ended.
//
// Make it before anything else installs handlers for these signals (the
// input thread does): those hand the signal on to the handler they found.
// One instance at a time.
class QuitSignals final : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the pipe could not be made or another instance exists.
    [[nodiscard]] bool installed() const noexcept { return readFd_ >= 0; }

signals:
    void received(int signal);

private:
    void readPending();

    int readFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace norvane::ui
