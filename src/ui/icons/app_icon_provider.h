#pragma once

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QQuickImageProvider>

namespace norvane::ui {

class AppDirectory;

// Application icons for QML: "image://appicon/<desktop id>?size=N" (an empty
// id asks for the fallback icon). The icon file the directory names is read
// at the size asked for (sourceSize when the Image sets one, else N, else
// 32); when there is none, or it does not load, a drawn fallback stands in.
// Images are cached per id and size. Requests may arrive on loader threads.
class AppIconProvider final : public QQuickImageProvider {
public:
    explicit AppIconProvider(AppDirectory& apps);

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

    // Splits "<app id>?size=N" into the app id (percent-decoded) and N (0
    // when absent or not a positive number).
    static std::pair<QString, int> parseId(const QString& id);
    // An icon file read into a sizePx square (kept in proportion, centred);
    // a null image when it does not load.
    static QImage loadIcon(const QString& path, int sizePx);
    static QImage fallbackIcon(int sizePx);

private:
    QImage iconFor(const QString& appID, int sizePx);

    AppDirectory& apps_;
    QMutex mutex_; // guards apps_ and cache_
    QCache<QString, QImage> cache_;
};

} // namespace norvane::ui
