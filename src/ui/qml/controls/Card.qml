import QtQuick
import QtQuick.Layouts

// A rounded panel for one section of a page. Its children stack from the
// top, leading-aligned, 14 apart, inset 18 from the edges; it takes the full
// width of a layout it is in.
Item {
    id: root

    default property alias content: column.data
    readonly property real inset: 18
    readonly property real radius: 14

    Layout.fillWidth: true
    implicitWidth: column.implicitWidth + 2 * inset
    implicitHeight: column.implicitHeight + 2 * inset

    Rectangle {
        width: root.width
        height: root.height
        y: 1
        radius: root.radius
        color: Qt.rgba(0, 0, 0, 0.04)
    }
    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: Theme.controlBackground
        border.width: 0.5
        border.color: Theme.alpha(Theme.primary, 0.07)
    }
    ColumnLayout {
        id: column
        x: root.inset
        y: root.inset
        width: root.width - 2 * root.inset
        spacing: 14
    }
}
