#pragma once

#include <QString>

#include <functional>

namespace norvane::ui {

// Shows a file in the desktop's file manager.
class FileViewer {
public:
    virtual ~FileViewer() = default;
    // Opens a file-manager window with the file selected (its folder when the
    // file is missing). Returns at once; `done` runs later on the main
    // thread with whether anything could be opened.
    virtual void reveal(const QString& path, std::function<void(bool shown)> done) = 0;
};

} // namespace norvane::ui
