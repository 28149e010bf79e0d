#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>

#include <memory>

class QPropertyAnimation;
class QQuickItem;
class QQuickView;

namespace norvane::ui {

// What one notice shows. `iconFile` (an application's icon) takes precedence
// over `symbol`; both may be empty.
struct NoticeContent {
    QString title;
    QString subtitle;
    QString iconFile;
    QString symbol;
};

// Where a notice of `size` goes in a screen's available area: centred
// horizontally, its bottom edge 14 % of the area's height above the area's
// bottom.
QRect noticeGeometry(const QRect& available, const QSize& size);

// The notice as a small translucent window near the bottom of the screen
// under the pointer. It fades in, stays 1.1 s after the latest request and
// fades out; it never takes focus and lets clicks through. The window is
// created on the first notice and reused.
class NoticePanel final : public QObject {
    Q_OBJECT

public:
    explicit NoticePanel(QObject* parent = nullptr);
    ~NoticePanel() override;

    void show(const NoticeContent& content);

private:
    bool createWindow();
    void fadeOut();

    std::unique_ptr<QQuickView> view_;
    QQuickItem* root_ = nullptr;
    QPropertyAnimation* fadeIn_ = nullptr;
    QPropertyAnimation* fadeOut_ = nullptr;
    QTimer hold_;
    // Ends the fade-out. A timer rather than the animation's end: Qt Quick
    // may step animations by frames, which need not follow the clock.
    QTimer hide_;
};

} // namespace norvane::ui
