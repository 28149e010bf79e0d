#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace norvane::ui {

// One Norvane per user session. The first process holds a lock in the
// private runtime folder and listens on a socket beside it; a later start
// finds the lock taken, asks the running one to open its main window and
// exits. Only processes of the same user are listened to.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // unavailable: no private runtime folder or lock file, so nothing can
    // tell instances apart (the program runs on alone); failed: another
    // instance holds the lock but does not answer.
    enum class Role { primary, forwarded, unavailable, failed };

    // `dir`: the private runtime folder (created when missing).
    explicit SingleInstance(QString dir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the primary instance, or hands `request` to the running one.
    Role claim(const QString& request);
    [[nodiscard]] const QString& error() const noexcept { return error_; }

    // The default folder: $XDG_RUNTIME_DIR/norvane.
    static QString defaultDirectory();

signals:
    // A later start asked for this (its request text, e.g. "show").
    void requested(const QString& request);

private:
    bool listen();
    bool forward(const QString& request);
    void accept();

    QString dir_;
    QString error_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};

} // namespace norvane::ui
