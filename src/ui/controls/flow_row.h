#pragma once

#include <QQuickItem>

#include <limits>
#include <vector>

namespace norvane::ui {

// Places its child items left to right at their implicit sizes and wraps them
// into rows; `spacing` separates items within a row and rows from each
// other. Each item is centred vertically in its row. The implicit size is
// what the children need at the row's width when one is set, else on one
// line. Hidden children, and children without any size (a Repeater), take
// no room.
class FlowRow : public QQuickItem {
    Q_OBJECT
    Q_PROPERTY(qreal spacing READ spacing WRITE setSpacing NOTIFY spacingChanged)

public:
    static constexpr qreal unlimited = std::numeric_limits<qreal>::infinity();

    explicit FlowRow(QQuickItem* parent = nullptr);
    ~FlowRow() override;
    FlowRow(const FlowRow&) = delete;
    FlowRow& operator=(const FlowRow&) = delete;

    [[nodiscard]] qreal spacing() const noexcept { return spacing_; }
    void setSpacing(qreal spacing);

    // The size the children need within `width` (unlimited: one line).
    [[nodiscard]] static QSizeF measure(const std::vector<QSizeF>& sizes, qreal width, qreal spacing);
    // The height of each row the children make within `width`; never empty.
    [[nodiscard]] static std::vector<qreal> rowHeights(const std::vector<QSizeF>& sizes, qreal width, qreal spacing);
    // Each child's top-left corner within `width`.
    [[nodiscard]] static std::vector<QPointF> place(const std::vector<QSizeF>& sizes, qreal width, qreal spacing);

signals:
    void spacingChanged();

protected:
    void itemChange(ItemChange change, const ItemChangeData& data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void componentComplete() override;

private:
    void relayout();
    [[nodiscard]] std::vector<QQuickItem*> laidOutChildren() const;

    qreal spacing_ = 8;
    bool laying_ = false;
};

} // namespace norvane::ui
