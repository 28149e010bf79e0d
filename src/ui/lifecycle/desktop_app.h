#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace norvane::ui {

// What the command line asks for.
struct LaunchOptions {
    bool settings = false; // --settings: open the main window
    QString snapshotDir;   // --debug-snapshot DIR: render the pages and quit
    static LaunchOptions parse(const QStringList& arguments);
};

// The running desktop app: the one place that builds the Linux services,
// the application model, the tray, the windows and the notice and connects
// them. Made on the main thread after the QApplication.
class DesktopApp {
public:
    explicit DesktopApp(const LaunchOptions& options);
    ~DesktopApp();
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    // Another start of the program asked for something ("show", "settings").
    void handleRequest(const QString& request);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace norvane::ui
