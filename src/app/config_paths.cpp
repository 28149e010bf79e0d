#include "app/config_paths.h"

#include <QDir>

namespace norvane {

QString configDirectory()
{
    // A relative XDG_CONFIG_HOME is invalid and is ignored, as the XDG base
    // directory rules say.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) ? xdg : QDir::homePath() + "/.config";
    return QDir::cleanPath(base + "/norvane");
}

QString configFilePath()
{
    return configDirectory() + "/config.json";
}

QString settingsFilePath()
{
    return configDirectory() + "/norvane.conf";
}

QString legacyBackupPath(const QString& configPath)
{
    return configPath + ".v1.bak";
}

QString unreadableBackupPath(const QString& configPath)
{
    return configPath + ".bad";
}

} // namespace norvane
