#include "ui/general/widget_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace norvane::ui {

namespace {

const QString jsonFilter = QStringLiteral("JSON (*.json)");

// Top-level widgets have no parent widget over a Qt Quick window: tie them to
// that window instead, so they stay above it and centred on it.
void placeOver(QWidget& dialog)
{
    QWindow* over = QGuiApplication::focusWindow();
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.winId(); // creates the native window to parent
    if (over != nullptr && dialog.windowHandle() != nullptr) {
        dialog.windowHandle()->setTransientParent(over);
    }
}

std::optional<QString> chosenFile(QFileDialog& dialog)
{
    placeOver(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString file = dialog.selectedFiles().constFirst();
    return file.isEmpty() ? std::nullopt : std::optional(file);
}

} // namespace

std::optional<QString> WidgetDialogs::chooseImportFile()
{
    QFileDialog dialog(nullptr, QStringLiteral("导入配置"), QDir::homePath(), jsonFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosenFile(dialog);
}

bool WidgetDialogs::confirmImport()
{
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setText(QStringLiteral("导入会替换当前全部规则"));
    box.setInformativeText(QStringLiteral("建议先导出备份一份当前配置。"));
    QPushButton* replace = box.addButton(QStringLiteral("替换"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(replace);
    box.setEscapeButton(cancel);
    placeOver(box);
    box.exec();
    return box.clickedButton() == replace;
}

std::optional<QString> WidgetDialogs::chooseExportFile(const QString& suggestedName)
{
    QFileDialog dialog(nullptr, QStringLiteral("导出配置"), QDir::home().filePath(suggestedName), jsonFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.selectFile(suggestedName);
    return chosenFile(dialog);
}

} // namespace norvane::ui
