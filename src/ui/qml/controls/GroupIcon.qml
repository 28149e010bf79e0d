import QtQuick

// A rule group's icon: the icon of the application an `only` group is about
// (iconApp), drawn slightly larger than its frame; otherwise a tile whose
// symbol and colours say what the group's rules do (iconStyle: mouse, media,
// application or command; anything else reads as command).
Item {
    id: root

    property string iconApp
    property string iconStyle
    property real size: 26

    readonly property var styles: ({
        "mouse": { "symbol": "computermouse.fill", "colors": [Qt.rgba(0.98, 0.45, 0.35, 1), Qt.rgba(0.92, 0.26, 0.36, 1)] },
        "media": { "symbol": "music.note", "colors": [Qt.rgba(1.0, 0.38, 0.55, 1), Qt.rgba(0.86, 0.18, 0.42, 1)] },
        "application": { "symbol": "square.grid.2x2.fill", "colors": [Qt.rgba(0.32, 0.78, 0.48, 1), Qt.rgba(0.16, 0.62, 0.36, 1)] },
        "command": { "symbol": "command", "colors": [Qt.rgba(0.45, 0.47, 1.0, 1), Qt.rgba(0.36, 0.3, 0.9, 1)] }
    })
    readonly property bool showsApp: iconApp !== ""
    readonly property var style: styles[iconStyle] || styles["command"]

    implicitWidth: size
    implicitHeight: size

    Image {
        objectName: "appImage"
        anchors.centerIn: parent
        visible: root.showsApp
        width: root.size * 1.12
        height: root.size * 1.12
        source: root.showsApp ? "image://appicon/" + encodeURIComponent(root.iconApp) + "?size=" + Math.round(root.size * 2) : ""
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
    }
    IconTile {
        objectName: "tile"
        visible: !root.showsApp
        size: root.size
        symbol: root.style.symbol
        colors: root.style.colors
    }
}
