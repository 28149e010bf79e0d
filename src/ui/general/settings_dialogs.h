#pragma once

#include <QString>

#include <optional>

namespace norvane::ui {

// The dialogs behind the settings page's import and export buttons. Each
// runs modally and returns what the user chose.
class SettingsDialogs {
public:
    virtual ~SettingsDialogs() = default;
    // A JSON file to import; nothing when cancelled.
    virtual std::optional<QString> chooseImportFile() = 0;
    // Whether to go ahead and replace every rule.
    virtual bool confirmImport() = 0;
    // Where to export, starting from `suggestedName`; nothing when cancelled.
    virtual std::optional<QString> chooseExportFile(const QString& suggestedName) = 0;
};

} // namespace norvane::ui
