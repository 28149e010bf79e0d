#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace norvane::testing {

// A bus of the test's own configured like the system bus (a policy that
// denies by default, here opened to everyone) on a socket in a temporary
// folder; stopped with the object.
class PrivateSystemBus {
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    [[nodiscard]] bool ok() const { return !address_.isEmpty(); }
    [[nodiscard]] const QString& address() const noexcept { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

} // namespace norvane::testing
