#pragma once

#include <QString>

namespace norvane {

// $XDG_CONFIG_HOME/norvane when XDG_CONFIG_HOME is an absolute path, else
// ~/.config/norvane.
QString configDirectory();
// The rules and preferences: <configDirectory>/config.json.
QString configFilePath();
// The user defaults (master switch, hit counters): <configDirectory>/norvane.conf.
QString settingsFilePath();
// Where a converted first-format file is kept: the configuration path + ".v1.bak".
QString legacyBackupPath(const QString& configPath);
// Where a file that could not be read is kept before it is replaced: + ".bad".
QString unreadableBackupPath(const QString& configPath);

} // namespace norvane
