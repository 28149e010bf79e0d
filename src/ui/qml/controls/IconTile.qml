import QtQuick

// A coloured square with rounded corners and a white symbol: a vertical
// gradient from the first to the last of `colors` (at least one), with a
// soft shadow in the last colour.
Item {
    id: root

    property string symbol
    property var colors: []
    property real size: 26

    readonly property color topColor: colors.length > 0 ? colors[0] : "transparent"
    readonly property color bottomColor: colors.length > 0 ? colors[colors.length - 1] : "transparent"

    implicitWidth: size
    implicitHeight: size

    Rectangle {
        width: root.size
        height: root.size
        y: 1
        radius: root.size * 0.24
        color: Theme.alpha(root.bottomColor, 0.25)
    }
    Rectangle {
        width: root.size
        height: root.size
        radius: root.size * 0.24
        gradient: Gradient {
            GradientStop { position: 0; color: root.topColor }
            GradientStop { position: 1; color: root.bottomColor }
        }
    }
    SymbolIcon {
        anchors.centerIn: parent
        name: root.symbol
        size: root.size * 0.5
        color: "white"
    }
}
