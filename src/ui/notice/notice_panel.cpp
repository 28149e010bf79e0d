#include "ui/notice/notice_panel.h"

#include "ui/icons/symbols.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QtMath>

#include <optional>

namespace norvane::ui {

namespace {

constexpr int fadeInMs = 120;
// Counted from the request, so the fade-in is part of it.
constexpr int holdMs = 1100;
constexpr int fadeOutMs = 300;
constexpr double bottomGap = 0.14;

QScreen* pointerScreen()
{
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos())) {
        return screen;
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

QRect noticeGeometry(const QRect& available, const QSize& size)
{
    const int bottom = available.y() + available.height() - qRound(available.height() * bottomGap);
    const int x = available.x() + qRound((available.width() - size.width()) / 2.0);
    return {QPoint(x, bottom - size.height()), size};
}

NoticePanel::NoticePanel(QObject* parent) : QObject(parent)
{
    hold_.setSingleShot(true);
    hold_.setInterval(holdMs);
    connect(&hold_, &QTimer::timeout, this, &NoticePanel::fadeOut);
    hide_.setSingleShot(true);
    hide_.setInterval(fadeOutMs);
    connect(&hide_, &QTimer::timeout, this, [this] {
        fadeOut_->stop();
        view_->hide();
    });
}

NoticePanel::~NoticePanel() = default;

bool NoticePanel::createWindow()
{
    view_ = std::make_unique<QQuickView>();
    view_->setObjectName(QStringLiteral("notice"));
    view_->setTitle(QStringLiteral("岚枢"));
    // A tooltip window is not managed by the window manager (on X11 it is
    // override-redirect), so it is neither focused nor decorated; the other
    // flags say the same to platforms that look at them.
    view_->setFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                    Qt::WindowTransparentForInput | Qt::WindowStaysOnTopHint);
    // Transparent outside the rounded panel the content draws.
    QSurfaceFormat format = view_->format();
    format.setAlphaBufferSize(8);
    view_->setFormat(format);
    view_->setColor(Qt::transparent);
    view_->setResizeMode(QQuickView::SizeViewToRootObject);
    view_->setSource(QUrl(QStringLiteral("qrc:/norvane/qml/windows/NoticeWindow.qml")));
    root_ = view_->rootObject();
    if (!root_) {
        for (const auto& error : view_->errors()) {
            qWarning("norvane: notice: %s", qPrintable(error.toString()));
        }
        view_.reset();
        return false;
    }
    fadeIn_ = new QPropertyAnimation(root_, "opacity", root_);
    fadeIn_->setDuration(fadeInMs);
    fadeOut_ = new QPropertyAnimation(root_, "opacity", root_);
    fadeOut_->setDuration(fadeOutMs);
    return true;
}

void NoticePanel::show(const NoticeContent& content)
{
    QScreen* screen = pointerScreen();
    if (!screen || (!view_ && !createWindow())) {
        return;
    }
    std::optional<char32_t> glyph;
    if (!content.symbol.isEmpty()) {
        glyph = symbolGlyph(content.symbol.toStdString());
    }
    root_->setProperty("title", content.title);
    root_->setProperty("subtitle", content.subtitle);
    root_->setProperty("iconSource", content.iconFile.isEmpty() ? QUrl() : QUrl::fromLocalFile(content.iconFile));
    root_->setProperty("glyph", glyph ? QString::fromUcs4(&*glyph, 1) : QString());
    root_->setProperty("glyphFamily", glyph ? symbolFontFamily() : QString());

    // The bindings have sized the content already.
    const QSize size(qCeil(root_->width()), qCeil(root_->height()));
    view_->setGeometry(noticeGeometry(screen->availableGeometry(), size));

    // A new request during the hold or the fade-out keeps the window and
    // shows the new content for the full time.
    hold_.stop();
    hide_.stop();
    fadeOut_->stop();
    if (!view_->isVisible()) {
        root_->setOpacity(0);
        view_->show();
    }
    view_->raise();
    fadeIn_->stop();
    fadeIn_->setStartValue(root_->opacity());
    fadeIn_->setEndValue(1.0);
    fadeIn_->start();
    hold_.start();
}

void NoticePanel::fadeOut()
{
    fadeIn_->stop();
    fadeOut_->setStartValue(root_->opacity());
    fadeOut_->setEndValue(0.0);
    fadeOut_->start();
    hide_.start();
}

} // namespace norvane::ui
