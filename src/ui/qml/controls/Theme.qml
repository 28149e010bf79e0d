pragma Singleton
import QtQuick

// The interface's colours and text sizes. Colours follow the system palette,
// so a light or dark desktop theme carries over; sizes are logical pixels.
QtObject {
    id: theme

    readonly property SystemPalette palette: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property bool dark: palette.window.hslLightness < 0.5

    readonly property color accent: palette.highlight
    readonly property color text: palette.windowText
    readonly property color primary: text
    readonly property color secondary: alpha(text, dark ? 0.55 : 0.5)
    readonly property color tertiary: alpha(text, dark ? 0.25 : 0.26)
    readonly property color controlBackground: palette.base
    readonly property color textBackground: palette.base
    readonly property color windowBackground: palette.window
    readonly property color separator: alpha(text, dark ? 0.15 : 0.1)

    readonly property color orange: dark ? Qt.rgba(1.0, 0.62, 0.04, 1) : Qt.rgba(1.0, 0.58, 0.0, 1)
    readonly property color green: dark ? Qt.rgba(0.19, 0.82, 0.35, 1) : Qt.rgba(0.2, 0.78, 0.35, 1)
    readonly property color red: dark ? Qt.rgba(1.0, 0.27, 0.23, 1) : Qt.rgba(1.0, 0.23, 0.19, 1)

    // Text styles by their usual names.
    readonly property int bodySize: 13
    readonly property int calloutSize: 12
    readonly property int captionSize: 10
    readonly property int headlineSize: 13

    function alpha(c, a) {
        return Qt.rgba(c.r, c.g, c.b, c.a * a)
    }
}
