#include "ui/controls/flow_row.h"

#include <algorithm>

namespace norvane::ui {

namespace {

// What a child asks for: its implicit size, or its set size when it has no
// implicit one (a plain Rectangle).
QSizeF idealSize(const QQuickItem* item)
{
    const qreal w = item->implicitWidth() > 0 ? item->implicitWidth() : item->width();
    const qreal h = item->implicitHeight() > 0 ? item->implicitHeight() : item->height();
    return {w, h};
}

} // namespace

FlowRow::FlowRow(QQuickItem* parent) : QQuickItem(parent) {}

FlowRow::~FlowRow()
{
    // The base class takes the children away after this object is gone as a
    // FlowRow; their size and visibility signals must not reach it then.
    for (QQuickItem* child : childItems()) {
        disconnect(child, nullptr, this, nullptr);
    }
}

void FlowRow::setSpacing(qreal spacing)
{
    if (spacing == spacing_) {
        return;
    }
    spacing_ = spacing;
    emit spacingChanged();
    relayout();
}

QSizeF FlowRow::measure(const std::vector<QSizeF>& sizes, qreal width, qreal spacing)
{
    qreal x = 0, y = 0, h = 0, widest = 0;
    for (const auto& s : sizes) {
        if (x > 0 && x + s.width() > width) {
            y += h + spacing;
            x = 0;
            h = 0;
        }
        x += s.width() + spacing;
        widest = std::max(widest, x - spacing);
        h = std::max(h, s.height());
    }
    return {widest, y + h};
}

std::vector<qreal> FlowRow::rowHeights(const std::vector<QSizeF>& sizes, qreal width, qreal spacing)
{
    std::vector<qreal> rows;
    qreal x = 0, h = 0;
    for (const auto& s : sizes) {
        if (x > 0 && x + s.width() > width) {
            rows.push_back(h);
            x = 0;
            h = 0;
        }
        x += s.width() + spacing;
        h = std::max(h, s.height());
    }
    rows.push_back(h);
    return rows;
}

std::vector<QPointF> FlowRow::place(const std::vector<QSizeF>& sizes, qreal width, qreal spacing)
{
    const auto rows = rowHeights(sizes, width, spacing);
    std::vector<QPointF> points;
    points.reserve(sizes.size());
    qreal x = 0, y = 0, h = 0;
    std::size_t r = 0;
    for (const auto& s : sizes) {
        if (x > 0 && x + s.width() > width) {
            x = 0;
            y += h + spacing;
            ++r;
            h = 0;
        }
        const qreal rowHeight = r < rows.size() ? rows[r] : s.height();
        points.emplace_back(x, y + (rowHeight - s.height()) / 2);
        x += s.width() + spacing;
        h = std::max(h, s.height());
    }
    return points;
}

std::vector<QQuickItem*> FlowRow::laidOutChildren() const
{
    std::vector<QQuickItem*> items;
    for (QQuickItem* child : childItems()) {
        const auto size = idealSize(child);
        if (child->isVisible() && (size.width() > 0 || size.height() > 0)) {
            items.push_back(child);
        }
    }
    return items;
}

void FlowRow::relayout()
{
    // While hidden every child reads as hidden; lay out again when shown.
    if (laying_ || !isComponentComplete() || !isVisible()) {
        return;
    }
    laying_ = true;
    const auto items = laidOutChildren();
    std::vector<QSizeF> sizes;
    sizes.reserve(items.size());
    for (const QQuickItem* item : items) {
        sizes.push_back(idealSize(item));
    }
    const QSizeF needed = measure(sizes, widthValid() ? width() : unlimited, spacing_);
    setImplicitSize(needed.width(), needed.height());
    const auto points = place(sizes, width(), spacing_);
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i]->setPosition(points[i]);
        items[i]->setSize(sizes[i]);
    }
    laying_ = false;
}

void FlowRow::itemChange(ItemChange change, const ItemChangeData& data)
{
    switch (change) {
    case ItemChildAddedChange:
        for (const auto signal : {&QQuickItem::implicitWidthChanged, &QQuickItem::implicitHeightChanged,
                                  &QQuickItem::visibleChanged, &QQuickItem::widthChanged, &QQuickItem::heightChanged}) {
            connect(data.item, signal, this, &FlowRow::relayout);
        }
        relayout();
        break;
    case ItemChildRemovedChange:
        disconnect(data.item, nullptr, this, nullptr);
        relayout();
        break;
    case ItemVisibleHasChanged:
        relayout();
        break;
    default:
        break;
    }
    QQuickItem::itemChange(change, data);
}

void FlowRow::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width()) {
        relayout();
    }
}

void FlowRow::componentComplete()
{
    QQuickItem::componentComplete();
    relayout();
}

} // namespace norvane::ui
