#pragma once

#include "ui/general/file_viewer.h"

#include <QObject>

namespace norvane::ui {

// Asks the desktop's file manager over D-Bus (org.freedesktop.FileManager1
// ShowItems) to show the file selected; when no file manager answers, opens
// the file's folder with the desktop's default handler instead.
class DBusFileViewer final : public QObject, public FileViewer {
    Q_OBJECT

public:
    explicit DBusFileViewer(QObject* parent = nullptr) : QObject(parent) {}
    void reveal(const QString& path, std::function<void(bool shown)> done) override;

private:
    static bool openFolder(const QString& path);
};

} // namespace norvane::ui
