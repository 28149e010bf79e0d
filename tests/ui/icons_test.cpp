#include "ui/icons/app_icon_provider.h"
#include "ui/icons/symbols.h"
#include "ui/state/app_directory.h"

#include <QFile>
#include <QFontMetricsF>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace norvane::ui {
namespace {

TEST(Symbols, EveryNameHasAGlyphInTheFont)
{
    const QFontMetricsF metrics{QFont(symbolFontFamily())};
    ASSERT_EQ(symbolFontFamily(), "Material Icons");
    for (const auto name : symbolNames()) {
        const auto glyph = symbolGlyph(name);
        ASSERT_TRUE(glyph) << name;
        EXPECT_TRUE(metrics.inFontUcs4(*glyph)) << name;
    }
}

TEST(Symbols, DrawEveryIconOfTheModel)
{
    for (const auto icon : allIcons) {
        EXPECT_TRUE(symbolGlyph(symbolName(icon))) << static_cast<int>(icon) << " " << symbolName(icon);
    }
    EXPECT_FALSE(symbolGlyph("no.such.symbol"));
    EXPECT_FALSE(symbolGlyph(""));
}

TEST(Symbols, PixmapDrawsKnownNamesAndStaysClearForUnknownOnes)
{
    const auto drawn = symbolImage("plus", 24, Qt::black);
    const auto blank = symbolImage("no.such.symbol", 24, Qt::black);
    EXPECT_EQ(drawn.size(), QSize(24, 24));
    EXPECT_EQ(blank.size(), QSize(24, 24));
    EXPECT_GT(qAlpha(drawn.pixel(12, 12)), 0); // the middle of the plus
    EXPECT_EQ(qAlpha(blank.pixel(12, 12)), 0);
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 0);
}

struct OneIconDirectory final : AppDirectory {
    std::map<std::string, std::string> files;
    int asked = 0;
    std::vector<AppEntry> installed() override { return {}; }
    std::vector<std::string> running() override { return {}; }
    std::optional<std::string> iconFile(const std::optional<std::string>& appID, int) override
    {
        ++asked;
        const auto it = files.find(appID.value_or(""));
        return it == files.end() ? std::nullopt : std::optional(it->second);
    }
};

class AppIcons : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QImage wide(40, 20, QImage::Format_ARGB32);
        wide.fill(Qt::red);
        ASSERT_TRUE(wide.save(dir.filePath("wide.png")));
        QFile svg(dir.filePath("round.svg"));
        ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
        svg.write(R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)"
                  R"(<circle cx="8" cy="8" r="8" fill="#00f"/></svg>)");
        svg.close();
        apps.files = {{"wide", dir.filePath("wide.png").toStdString()},
                      {"round", dir.filePath("round.svg").toStdString()},
                      {"broken", dir.filePath("missing.png").toStdString()}};
    }
    QImage request(const QString& id, QSize requested = {})
    {
        QSize size;
        QImage image = provider.requestImage(id, &size, requested);
        EXPECT_EQ(size, image.size());
        return image;
    }
    QTemporaryDir dir;
    OneIconDirectory apps;
    AppIconProvider provider{apps};
};

TEST_F(AppIcons, ReadsTheSizeFromTheIdOrTheRequest)
{
    EXPECT_EQ(AppIconProvider::parseId("org.gnome.Terminal?size=48"),
              std::make_pair(QString("org.gnome.Terminal"), 48));
    EXPECT_EQ(AppIconProvider::parseId("a%20b"), std::make_pair(QString("a b"), 0));
    EXPECT_EQ(AppIconProvider::parseId("?size=x"), std::make_pair(QString(), 0));
    EXPECT_EQ(request("wide?size=48").size(), QSize(48, 48));
    EXPECT_EQ(request("wide?size=48", QSize(20, 20)).size(), QSize(20, 20));
    EXPECT_EQ(request("wide").size(), QSize(32, 32));
}

TEST_F(AppIcons, ScalesFilesIntoACentredSquare)
{
    const auto wide = request("wide?size=32");
    EXPECT_EQ(wide.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(qAlpha(wide.pixel(16, 2)), 0);     // above the 32 × 16 band
    const auto round = request("round?size=64"); // vector: drawn at 64, not scaled up from 16
    EXPECT_EQ(round.pixelColor(32, 32), QColor(Qt::blue));
    EXPECT_EQ(qAlpha(round.pixel(1, 1)), 0);
}

TEST_F(AppIcons, FallsBackToADrawnIconAndCaches)
{
    const auto fallback = AppIconProvider::fallbackIcon(32);
    EXPECT_EQ(request("?size=32"), fallback);
    EXPECT_EQ(request("broken?size=32"), fallback);
    EXPECT_EQ(request("unknown?size=32"), fallback);
    const int asked = apps.asked;
    request("broken?size=32");
    request("wide?size=32");
    request("wide?size=32");
    EXPECT_EQ(apps.asked, asked + 1);
}

} // namespace
} // namespace norvane::ui
