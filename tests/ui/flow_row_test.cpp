#include "ui/controls/flow_row.h"

#include <gtest/gtest.h>
#include <memory>

namespace norvane::ui {
namespace {

QQuickItem* addChild(FlowRow& row, qreal w, qreal h)
{
    auto* item = new QQuickItem(&row);
    item->setImplicitWidth(w);
    item->setImplicitHeight(h);
    return item;
}

TEST(FlowRowLayout, ChildrenWiderThanTheRowEachGetARowOfTheirOwn)
{
    const std::vector<QSizeF> sizes{{120, 10}, {150, 20}, {90, 30}};
    EXPECT_EQ(FlowRow::measure(sizes, 100, 8), QSizeF(150, 10 + 8 + 20 + 8 + 30));
    EXPECT_EQ(FlowRow::rowHeights(sizes, 100, 8), (std::vector<qreal>{10, 20, 30}));
    EXPECT_EQ(FlowRow::place(sizes, 100, 8), (std::vector<QPointF>{{0, 0}, {0, 18}, {0, 46}}));
}

TEST(FlowRowLayout, WrapsGreedilyAndCentresEachChildInItsRow)
{
    // Row 1: 40 + 8 + 40 = 88 fits 100; the third would end at 136.
    const std::vector<QSizeF> sizes{{40, 10}, {40, 30}, {40, 20}, {10, 4}};
    EXPECT_EQ(FlowRow::measure(sizes, 100, 8), QSizeF(88, 30 + 8 + 20));
    EXPECT_EQ(FlowRow::place(sizes, 100, 8), (std::vector<QPointF>{{0, 10}, {48, 0}, {0, 38}, {48, 46}}));
    // Exactly filling the width still fits.
    EXPECT_EQ(FlowRow::measure({{46, 5}, {46, 5}}, 100, 8), QSizeF(100, 5));
}

TEST(FlowRowLayout, WithoutALimitEverythingStaysOnOneLine)
{
    const std::vector<QSizeF> sizes{{400, 10}, {500, 12}};
    EXPECT_EQ(FlowRow::measure(sizes, FlowRow::unlimited, 8), QSizeF(908, 12));
    EXPECT_EQ(FlowRow::measure({}, 100, 8), QSizeF(0, 0));
    EXPECT_EQ(FlowRow::rowHeights({}, 100, 8), std::vector<qreal>{0});
}

TEST(FlowRowItem, EmptyRowAsksForNothing)
{
    FlowRow row;
    EXPECT_EQ(row.implicitWidth(), 0);
    EXPECT_EQ(row.implicitHeight(), 0);
    addChild(row, 30, 20);
    EXPECT_EQ(row.implicitHeight(), 20);
}

TEST(FlowRowItem, FollowsItsChildrenAndWidth)
{
    FlowRow row;
    auto* a = addChild(row, 50, 20);
    auto* b = addChild(row, 50, 10);
    auto* c = addChild(row, 50, 30);
    // No width set: one line.
    EXPECT_EQ(QSizeF(row.implicitWidth(), row.implicitHeight()), QSizeF(166, 30));
    EXPECT_EQ(b->position(), QPointF(58, 10));
    EXPECT_EQ(b->size(), QSizeF(50, 10));

    row.setWidth(120); // a and b share the first row, c wraps
    EXPECT_EQ(QSizeF(row.implicitWidth(), row.implicitHeight()), QSizeF(108, 20 + 8 + 30));
    EXPECT_EQ(c->position(), QPointF(0, 28));

    b->setVisible(false); // takes no room: c moves up
    EXPECT_EQ(c->position(), QPointF(58, 0));
    EXPECT_EQ(a->position(), QPointF(0, 5));
    EXPECT_EQ(row.implicitHeight(), 30);

    a->setImplicitWidth(70); // now 70 + 8 + 50 > 120
    EXPECT_EQ(c->position(), QPointF(0, 28));

    row.setSpacing(0);
    EXPECT_EQ(c->position(), QPointF(70, 0));

    delete a;
    EXPECT_EQ(c->position(), QPointF(0, 0));
    EXPECT_EQ(row.implicitWidth(), 50);
}

TEST(FlowRowItem, ItemsWithoutSizeTakeNoRoom)
{
    FlowRow row;
    addChild(row, 0, 0); // as a Repeater would be
    auto* b = addChild(row, 40, 10);
    EXPECT_EQ(b->position(), QPointF(0, 0));
    EXPECT_EQ(row.implicitWidth(), 40);
}

} // namespace
} // namespace norvane::ui
