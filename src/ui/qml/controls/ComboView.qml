import QtQuick

// A key combination as a row of keycaps, one per element of `symbols`
// (["Ctrl", "Alt", "K"]) in order; repeated elements each get their own.
Row {
    id: root

    property var symbols: []
    property bool large: false

    spacing: large ? 8 : 3

    Repeater {
        model: root.symbols
        Keycap {
            anchors.verticalCenter: parent.verticalCenter
            text: modelData
            large: root.large
        }
    }
}
