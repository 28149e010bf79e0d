#include "ui/icons/app_icon_provider.h"

#include "ui/icons/symbols.h"
#include "ui/state/app_directory.h"

#include <QImageReader>
#include <QMutexLocker>
#include <QPainter>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace norvane::ui {

namespace {

constexpr int defaultSize = 32;
constexpr int maxSize = 1024;

// Puts `image` in the middle of a transparent square.
QImage centred(const QImage& image, int sizePx)
{
    if (image.width() == sizePx && image.height() == sizePx) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    QImage square(sizePx, sizePx, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((sizePx - image.width()) / 2, (sizePx - image.height()) / 2, image);
    return square;
}

} // namespace

AppIconProvider::AppIconProvider(AppDirectory& apps) : QQuickImageProvider(QQuickImageProvider::Image), apps_(apps)
{
    cache_.setMaxCost(qsizetype{16} * 1024); // kilobytes
}

std::pair<QString, int> AppIconProvider::parseId(const QString& id)
{
    const auto mark = id.indexOf(QLatin1Char('?'));
    const QString app = QUrl::fromPercentEncoding(id.left(mark < 0 ? id.size() : mark).toUtf8());
    if (mark < 0) {
        return {app, 0};
    }
    bool ok = false;
    const int size = QUrlQuery(id.mid(mark + 1)).queryItemValue(QStringLiteral("size")).toInt(&ok);
    return {app, ok && size > 0 ? size : 0};
}

QImage AppIconProvider::loadIcon(const QString& path, int sizePx)
{
    QImageReader reader(path);
    const QSize natural = reader.size();
    const QSize fitted =
        natural.isValid() ? natural.scaled(sizePx, sizePx, Qt::KeepAspectRatio) : QSize(sizePx, sizePx);
    if (reader.supportsOption(QImageIOHandler::ScaledSize)) {
        reader.setScaledSize(fitted); // vector files render sharp at any size
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.width() > sizePx || image.height() > sizePx || image.size() != fitted) {
        image = image.scaled(sizePx, sizePx, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return centred(image, sizePx);
}

QImage AppIconProvider::fallbackIcon(int sizePx)
{
    return symbolImage(QStringLiteral("app.dashed"), sizePx, QColor(128, 128, 128));
}

QImage AppIconProvider::iconFor(const QString& appID, int sizePx)
{
    const QString key = appID + QLatin1Char('\n') + QString::number(sizePx);
    QMutexLocker lock(&mutex_);
    if (const QImage* cached = cache_.object(key)) {
        return *cached;
    }
    const auto file = apps_.iconFile(appID.isEmpty() ? std::nullopt : std::optional(appID.toStdString()), sizePx);
    QImage image = file ? loadIcon(QString::fromStdString(*file), sizePx) : QImage();
    if (image.isNull()) {
        image = fallbackIcon(sizePx);
    }
    cache_.insert(key, new QImage(image), std::max<qsizetype>(image.sizeInBytes() / 1024, 1));
    return image;
}

QImage AppIconProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const auto [appID, asked] = parseId(id);
    int sizePx = std::max(requestedSize.width(), requestedSize.height());
    if (sizePx <= 0) {
        sizePx = asked > 0 ? asked : defaultSize;
    }
    sizePx = std::min(sizePx, maxSize);
    QImage image = iconFor(appID, sizePx);
    if (size != nullptr) {
        *size = image.size();
    }
    return image;
}

} // namespace norvane::ui
