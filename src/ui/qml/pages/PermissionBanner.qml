import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// Shown while input access is missing; clicking it asks for the access.
AbstractButton {
    id: banner
    objectName: "permissionBanner"
    implicitHeight: content.implicitHeight + 20
    onClicked: AppState.requestAccess()

    background: Rectangle {
        radius: 8
        color: Qt.rgba(1.0, 0.58, 0.0, 0.12)
    }

    contentItem: Item {}

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 10
        spacing: 8

        Text {
            Layout.alignment: Qt.AlignTop
            text: Symbols.glyph("exclamationmark.triangle.fill")
            font.family: Symbols.family
            font.pixelSize: 15
            color: "#ff9500"
        }
        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            spacing: 2
            Label {
                text: "还没有输入设备权限"
                font.pixelSize: 12
                font.weight: Font.DemiBold
            }
            Label {
                Layout.fillWidth: true
                text: "点这里去开启，规则才会生效"
                font.pixelSize: 11
                color: Theme.secondary
                wrapMode: Text.Wrap
            }
        }
    }
}
