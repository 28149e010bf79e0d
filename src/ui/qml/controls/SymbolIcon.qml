import QtQuick
import Norvane 1.0

// A symbol from the symbol table, sized to stand beside text of `size`
// pixels. Material glyphs leave a margin inside their square, so the glyph
// is drawn a fifth larger than the text it accompanies.
Text {
    property string name
    property real size: Theme.bodySize

    font.family: Symbols.family
    font.pixelSize: Math.max(1, Math.round(size * 1.2))
    text: Symbols.glyph(name)
    color: Theme.primary
}
