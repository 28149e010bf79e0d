#pragma once

#include <QProcess>
#include <QString>

namespace norvane::testing {

// A session bus of the test's own (dbus-daemon), stopped with the object.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    [[nodiscard]] bool ok() const { return !address_.isEmpty(); }
    [[nodiscard]] const QString& address() const noexcept { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

} // namespace norvane::testing
