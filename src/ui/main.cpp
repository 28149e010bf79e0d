// Norvane, the desktop app: one instance per session, living in the tray.
#include "ui/lifecycle/desktop_app.h"
#include "ui/lifecycle/quit_signals.h"
#include "ui/lifecycle/single_instance.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QQuickWindow>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("norvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("岚枢"));
    QApplication::setDesktopFileName(QStringLiteral("norvane"));
    // The icon theme's copy when Norvane is installed, else the one built in.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("norvane"), QIcon(QStringLiteral(":/norvane/icons/norvane.svg"))));
    // Windows are hidden, not closed, and the app lives on in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    // The desktop's font for Latin text, one Chinese font for the rest: left
    // to per-glyph fallback, Chinese text mixes glyphs of several fonts.
    QFont font = QApplication::font();
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK SC")});
    QApplication::setFont(font);

    // Qt Quick's software renderer unless the user chose another: these are
    // plain 2D windows, and without a GPU the OpenGL path loads a software
    // rasteriser (LLVM) that keeps ~100 MB resident after the window closes.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    const auto options = norvane::ui::LaunchOptions::parse(QApplication::arguments());

    // A snapshot run renders its own copy of the windows and does not meet
    // the running instance.
    norvane::ui::SingleInstance instance(norvane::ui::SingleInstance::defaultDirectory());
    if (options.snapshotDir.isEmpty()) {
        switch (instance.claim(options.settings ? QStringLiteral("settings") : QStringLiteral("show"))) {
        case norvane::ui::SingleInstance::Role::forwarded:
            return 0;
        case norvane::ui::SingleInstance::Role::failed:
            std::fprintf(stderr, "norvane: %s\n", qPrintable(instance.error()));
            return 1;
        case norvane::ui::SingleInstance::Role::unavailable:
            std::fprintf(stderr, "norvane: %s; a second start cannot find this one\n", qPrintable(instance.error()));
            break;
        case norvane::ui::SingleInstance::Role::primary:
            break;
        }
    }

    // The session ending (SIGTERM, SIGHUP) or Ctrl+C quits in order, so that
    // an edit still waiting for its save is written. Made before the app's
    // input thread, which hands these signals on once it let go of the keys.
    norvane::ui::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &norvane::ui::QuitSignals::received, &app, [] { QCoreApplication::quit(); });

    norvane::ui::DesktopApp desktop(options);
    QObject::connect(&instance, &norvane::ui::SingleInstance::requested, &app,
                     [&desktop](const QString& request) { desktop.handleRequest(request); });
    return QApplication::exec();
}
