#include "ui/icons/symbols.h"

#include <QFontDatabase>
#include <QPainter>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <mutex>

namespace norvane::ui {

namespace {

struct SymbolEntry {
    std::string_view name;
    char32_t glyph;
};

// Sorted by name. Each line ends with the Material Icons name of its glyph;
// where two names share a glyph the font has no closer match.
constexpr std::array symbolTable = std::to_array<SymbolEntry>({
    {"app", U'\uE835'},                                // check_box_outline_blank
    {"app.dashed", U'\uE3C2'},                         // crop_free
    {"arrow.clockwise", U'\uE5D5'},                    // refresh
    {"arrow.left.and.right.text.vertical", U'\uE31C'}, // keyboard_tab
    {"arrow.right", U'\uE5C8'},                        // arrow_forward
    {"arrow.triangle.swap", U'\uE8D4'},                // swap_horiz
    {"backward.fill", U'\uE045'},                      // skip_previous
    {"checkmark", U'\uE876'},                          // done
    {"checkmark.circle.fill", U'\uE86C'},              // check_circle
    {"chevron.down", U'\uE5CF'},                       // expand_more
    {"chevron.left", U'\uE5CB'},                       // chevron_left
    {"chevron.right", U'\uE5CC'},                      // chevron_right
    {"chevron.up", U'\uE5CE'},                         // expand_less
    {"clock.arrow.circlepath", U'\uE889'},             // history
    {"command", U'\uF028'},                            // keyboard_alt
    {"computermouse", U'\uE323'},                      // mouse
    {"computermouse.fill", U'\uE323'},                 // mouse
    {"doc", U'\uE873'},                                // description
    {"doc.on.doc", U'\uE14D'},                         // content_copy
    {"dot.radiowaves.left.and.right", U'\uE51E'},      // sensors
    {"ellipsis", U'\uE5D3'},                           // more_horiz
    {"exclamationmark.triangle", U'\uF083'},           // warning_amber
    {"exclamationmark.triangle.fill", U'\uE002'},      // warning
    {"folder", U'\uE2C7'},                             // folder
    {"forward.fill", U'\uE044'},                       // skip_next
    {"gearshape", U'\uE8B8'},                          // settings
    {"globe", U'\uE894'},                              // language
    {"hand.raised", U'\uE764'},                        // back_hand
    {"hand.raised.circle.fill", U'\uE764'},            // back_hand
    {"info.circle", U'\uE88F'},                        // info_outline
    {"keyboard", U'\uE312'},                           // keyboard
    {"link.badge.plus", U'\uE178'},                    // add_link
    {"lock", U'\uE897'},                               // lock
    {"macwindow.on.rectangle", U'\uE069'},             // web_asset
    {"magnifyingglass", U'\uE8B6'},                    // search
    {"minus", U'\uE15B'},                              // remove
    {"minus.circle", U'\uE15D'},                       // remove_circle_outline
    {"music.note", U'\uE405'},                         // music_note
    {"paperplane", U'\uE163'},                         // send
    {"pause.fill", U'\uE034'},                         // pause
    {"pencil", U'\uE3C9'},                             // edit
    {"play.fill", U'\uE037'},                          // play_arrow
    {"playpause.fill", U'\uE037'},                     // play_arrow
    {"plus", U'\uE145'},                               // add
    {"plus.circle.fill", U'\uE147'},                   // add_circle
    {"power", U'\uE8AC'},                              // power_settings_new
    {"questionmark.circle", U'\uE8FD'},                // help_outline
    {"scope", U'\uE1B3'},                              // gps_fixed
    {"sparkles", U'\uE65F'},                           // auto_awesome
    {"speaker.fill", U'\uE04E'},                       // volume_mute
    {"speaker.slash.fill", U'\uE04F'},                 // volume_off
    {"speaker.wave.1.fill", U'\uE04D'},                // volume_down
    {"speaker.wave.2.fill", U'\uE050'},                // volume_up
    {"speaker.wave.3.fill", U'\uE050'},                // volume_up
    {"square.and.arrow.down", U'\uE2C4'},              // file_download
    {"square.and.arrow.up", U'\uE2C6'},                // file_upload
    {"square.grid.2x2.fill", U'\uE9B0'},               // grid_view
    {"textformat.size", U'\uE245'},                    // format_size
    {"trash", U'\uE872'},                              // delete
    {"xmark", U'\uE5CD'},                              // close
    {"xmark.circle.fill", U'\uE5C9'},                  // cancel
});

static_assert(std::is_sorted(symbolTable.begin(), symbolTable.end(),
                             [](const SymbolEntry& a, const SymbolEntry& b) { return a.name < b.name; }));

constexpr const char* fontFile = "fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";

QString registerFont()
{
    QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QString::fromLatin1(fontFile));
    if (path.isEmpty()) {
        path = QStringLiteral("/usr/share/") + QString::fromLatin1(fontFile);
    }
    const int id = QFontDatabase::addApplicationFont(path);
    const auto families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    // Without the file the system's copy, if any, is found by its family.
    return families.isEmpty() ? QStringLiteral("Material Icons") : families.front();
}

} // namespace

std::string_view symbolName(Icon icon) noexcept
{
    switch (icon) {
    case Icon::playPause:
        return "playpause.fill";
    case Icon::next:
        return "forward.fill";
    case Icon::previous:
        return "backward.fill";
    case Icon::volumeUp:
        return "speaker.wave.3.fill";
    case Icon::volumeDown:
        return "speaker.wave.1.fill";
    case Icon::mute:
        return "speaker.slash.fill";
    case Icon::keyboard:
        return "keyboard";
    case Icon::music:
        return "music.note";
    case Icon::send:
        return "paperplane";
    case Icon::appWindow:
        return "macwindow.on.rectangle";
    case Icon::warning:
        return "exclamationmark.triangle.fill";
    case Icon::textSize:
        return "textformat.size";
    case Icon::mouse:
        return "computermouse.fill";
    case Icon::appGrid:
        return "square.grid.2x2.fill";
    case Icon::commandKey:
        return "command";
    case Icon::speaker:
        return "speaker.wave.2.fill";
    case Icon::plus:
        return "plus";
    }
    return {};
}

std::optional<char32_t> symbolGlyph(std::string_view name)
{
    const auto it = std::lower_bound(symbolTable.begin(), symbolTable.end(), name,
                                     [](const SymbolEntry& e, std::string_view n) { return e.name < n; });
    if (it == symbolTable.end() || it->name != name) {
        return std::nullopt;
    }
    return it->glyph;
}

std::vector<std::string_view> symbolNames()
{
    std::vector<std::string_view> names;
    names.reserve(symbolTable.size());
    for (const auto& e : symbolTable) {
        names.push_back(e.name);
    }
    return names;
}

QString symbolFontFamily()
{
    static const QString family = registerFont();
    return family;
}

QImage symbolImage(const QString& name, int sizePx, const QColor& color)
{
    QImage image(std::max(sizePx, 1), std::max(sizePx, 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const auto glyph = symbolGlyph(name.toStdString());
    if (!glyph) {
        return image;
    }
    QFont font(symbolFontFamily());
    font.setPixelSize(std::max(sizePx, 1));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(image.rect(), Qt::AlignCenter, QString::fromUcs4(&*glyph, 1));
    return image;
}

QPixmap symbolPixmap(const QString& name, int sizePx, const QColor& color)
{
    return QPixmap::fromImage(symbolImage(name, sizePx, color));
}

QString Symbols::glyph(const QString& name) const
{
    const auto g = symbolGlyph(name.toStdString());
    return g ? QString::fromUcs4(&*g, 1) : QString();
}

QString Symbols::family() const
{
    return symbolFontFamily();
}

} // namespace norvane::ui
