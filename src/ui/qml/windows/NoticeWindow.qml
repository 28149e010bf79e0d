import QtQuick

// Content of the notice window: an icon, a title and an optional subtitle on
// a rounded translucent panel. The window takes this item's size; the
// program sets the properties and fades the item in and out.
Rectangle {
    id: notice

    property string title
    property string subtitle
    // An application's icon file; it takes precedence over the symbol.
    property url iconSource
    // A symbol: a character of the symbol font `glyphFamily`.
    property string glyph
    property string glyphFamily

    SystemPalette {
        id: system
        colorGroup: SystemPalette.Active
    }

    // No blur behind the window on X11: a denser panel keeps text readable.
    color: Qt.rgba(system.window.r, system.window.g, system.window.b, 0.9)
    border.color: system.window.hslLightness < 0.5 ? Qt.rgba(1, 1, 1, 0.12) : Qt.rgba(0, 0, 0, 0.12)
    border.width: 1
    radius: 18
    // Laid out with bindings rather than a Row: a positioner sizes itself
    // only when the scene is next polished, and the window is placed from
    // this size as soon as the properties are set.
    readonly property bool hasIcon: iconSource.toString() !== "" || glyph !== ""
    readonly property real textX: 22 + (hasIcon ? 34 + 14 : 0)
    readonly property real textHeight: titleText.implicitHeight
                                       + (notice.subtitle !== "" ? 2 + subtitleText.implicitHeight : 0)
    readonly property real rowHeight: Math.max(hasIcon ? 34 : 0, textHeight)

    width: Math.ceil(textX + Math.max(titleText.implicitWidth, notice.subtitle !== "" ? subtitleText.implicitWidth : 0) + 22)
    height: Math.ceil(rowHeight + 2 * 16)

    Image {
        visible: notice.iconSource.toString() !== ""
        x: 22
        y: 16 + (notice.rowHeight - height) / 2
        width: 34
        height: 34
        source: notice.iconSource
        sourceSize: Qt.size(64, 64)
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
    }

    Text {
        visible: notice.iconSource.toString() === "" && notice.glyph !== ""
        x: 22
        y: 16 + (notice.rowHeight - height) / 2
        width: 34
        horizontalAlignment: Text.AlignHCenter
        text: notice.glyph
        font.family: notice.glyphFamily
        font.pixelSize: 24
        font.weight: Font.DemiBold
        color: system.windowText
    }

    Text {
        id: titleText
        x: notice.textX
        y: 16 + (notice.rowHeight - notice.textHeight) / 2
        text: notice.title
        font.pixelSize: 16
        font.weight: Font.DemiBold
        color: system.windowText
    }

    Text {
        id: subtitleText
        visible: notice.subtitle !== ""
        x: notice.textX
        y: titleText.y + titleText.implicitHeight + 2
        text: notice.subtitle
        font.pixelSize: 12
        color: system.windowText
        opacity: 0.65
    }
}
