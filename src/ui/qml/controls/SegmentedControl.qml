import QtQuick

// A row of joined segments of which one is chosen. `segments` holds
// {value, text}; activated(value) follows a click on another segment.
Rectangle {
    id: root

    property var segments: []
    property string value

    signal activated(string value)

    implicitWidth: row.implicitWidth + 4
    implicitHeight: row.implicitHeight + 4
    radius: 7
    color: Theme.alpha(Theme.primary, 0.07)

    Row {
        id: row
        x: 2
        y: 2
        Repeater {
            model: root.segments
            delegate: Rectangle {
                required property var modelData
                readonly property bool chosen: modelData.value === root.value
                objectName: "segment_" + modelData.value
                implicitWidth: label.implicitWidth + 24
                implicitHeight: label.implicitHeight + 8
                width: implicitWidth
                height: implicitHeight
                radius: 5
                color: chosen ? Theme.controlBackground : "transparent"
                border.width: chosen ? 1 : 0
                border.color: Theme.separator

                Text {
                    id: label
                    anchors.centerIn: parent
                    text: parent.modelData.text
                    font.pixelSize: Theme.bodySize
                    font.weight: parent.chosen ? Font.DemiBold : Font.Normal
                    color: Theme.primary
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: {
                        if (!parent.chosen)
                            root.activated(parent.modelData.value)
                    }
                }
            }
        }
    }
}
