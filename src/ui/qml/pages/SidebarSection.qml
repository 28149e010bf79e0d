import QtQuick
import QtQuick.Controls.Basic
import "../controls"

// A section header of the sidebar list.
Item {
    property alias title: label.text
    implicitHeight: 28

    Label {
        id: label
        anchors.left: parent.left
        anchors.leftMargin: 14
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 4
        font.pixelSize: 11
        font.weight: Font.DemiBold
        color: Theme.secondary
    }
}
