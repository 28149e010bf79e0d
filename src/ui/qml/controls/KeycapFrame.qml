import QtQuick

// The keycap look around one content item (a key's text, a mouse button's
// label): centred in a rounded key face at least 24 × 24 (58 × 58 when
// large), with a hard shadow under its lower edge.
Item {
    id: root

    property bool large: false
    default property alias content: holder.data

    readonly property Item contentItem: holder.children.length > 0 ? holder.children[0] : null
    readonly property real inset: large ? 16 : 6
    readonly property real radius: large ? 11 : 6

    implicitWidth: Math.max(large ? 58 : 24, (contentItem ? contentItem.implicitWidth : 0) + 2 * inset)
    implicitHeight: Math.max(large ? 58 : 24, contentItem ? contentItem.implicitHeight : 0)

    Rectangle {
        width: root.width
        height: root.height
        y: root.large ? 2.5 : 1
        radius: root.radius
        color: Qt.rgba(0, 0, 0, 0.22)
    }
    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: Theme.textBackground
        border.width: 0.5
        border.color: Theme.alpha(Theme.primary, 0.13)
    }
    Item {
        id: holder
        anchors.centerIn: parent
        width: root.contentItem ? root.contentItem.implicitWidth : 0
        height: root.contentItem ? root.contentItem.implicitHeight : 0
    }
}
