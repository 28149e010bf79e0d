#pragma once

#include "model/icon.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace norvane::ui {

// Symbols are named as the pages name them ("computermouse.fill",
// "music.note") and drawn with glyphs of the Material Icons font.

// The symbol that draws one of the model's icons.
[[nodiscard]] std::string_view symbolName(Icon icon) noexcept;

// The glyph for a symbol name; nothing for names the table does not know.
[[nodiscard]] std::optional<char32_t> symbolGlyph(std::string_view name);

// Every name the table knows, in table order.
[[nodiscard]] std::vector<std::string_view> symbolNames();

// Registers the Material Icons font with the application once and returns
// its family. Call it first on the main thread (registering controls does).
[[nodiscard]] QString symbolFontFamily();

// The symbol's glyph drawn centred in a transparent square of sizePx pixels;
// fully transparent for unknown names. The image form is safe off the main
// thread (image providers draw their fallback with it).
[[nodiscard]] QImage symbolImage(const QString& name, int sizePx, const QColor& color);
[[nodiscard]] QPixmap symbolPixmap(const QString& name, int sizePx, const QColor& color);

// The table as QML sees it: Text { font.family: Symbols.family; text: Symbols.glyph("plus") }.
class Symbols : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString family READ family CONSTANT)

public:
    using QObject::QObject;

    // The glyph as text, or "" for an unknown name.
    Q_INVOKABLE QString glyph(const QString& name) const;
    [[nodiscard]] QString family() const;
};

} // namespace norvane::ui
