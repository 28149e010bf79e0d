import QtQuick

// A removable capsule: an optional leading item, one line of text and a
// remove button that is clearer while the pointer is over the chip.
Item {
    id: root

    property string text
    property alias leading: leadingSlot.data
    readonly property alias hovered: hover.hovered

    signal removed()

    implicitWidth: row.implicitWidth
    implicitHeight: row.implicitHeight

    HoverHandler { id: hover }

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: Theme.alpha(Theme.primary, root.hovered ? 0.09 : 0.055)
    }
    Row {
        id: row
        leftPadding: 8
        rightPadding: 6
        topPadding: 4
        bottomPadding: 4
        spacing: 6

        Item {
            id: leadingSlot
            readonly property Item item: children.length > 0 ? children[0] : null
            anchors.verticalCenter: parent.verticalCenter
            visible: item !== null
            width: item ? item.implicitWidth : 0
            height: item ? item.implicitHeight : 0
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: root.text
            maximumLineCount: 1
            wrapMode: Text.NoWrap
            font.pixelSize: Theme.bodySize
            color: Theme.primary
        }
        SymbolIcon {
            objectName: "removeButton"
            anchors.verticalCenter: parent.verticalCenter
            name: "xmark.circle.fill"
            color: Theme.secondary
            opacity: root.hovered ? 1 : 0.45

            MouseArea {
                anchors.fill: parent
                onClicked: root.removed()
            }
        }
    }
}
