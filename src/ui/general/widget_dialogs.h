#pragma once

#include "ui/general/settings_dialogs.h"

namespace norvane::ui {

// The import and export dialogs as desktop file dialogs (the desktop's own
// through its platform theme or portal, else Qt's) and a message box, placed
// over the window that has focus.
class WidgetDialogs final : public SettingsDialogs {
public:
    std::optional<QString> chooseImportFile() override;
    bool confirmImport() override;
    std::optional<QString> chooseExportFile(const QString& suggestedName) override;
};

} // namespace norvane::ui
