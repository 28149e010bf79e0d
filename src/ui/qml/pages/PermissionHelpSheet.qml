import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// What to run by hand when the system could not ask for input access
// itself (no polkit agent, or the request failed).
Popup {
    id: sheet
    objectName: "permissionHelpSheet"
    modal: true
    focus: true
    anchors.centerIn: parent
    width: 560
    padding: 24
    closePolicy: Popup.CloseOnEscape

    background: Rectangle {
        radius: 12
        color: Theme.windowBackground
        border.width: 0.5
        border.color: Theme.separator
    }

    contentItem: ColumnLayout {
        spacing: 14
        Label {
            text: "开启输入设备权限"
            font.pixelSize: 17
            font.bold: true
        }
        TextEdit {
            Layout.fillWidth: true
            text: AppState.permissionHelp
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            font.family: "monospace"
            font.pixelSize: 12
            color: Theme.text
        }
        Button {
            Layout.alignment: Qt.AlignRight
            text: "好"
            onClicked: sheet.close()
        }
    }
}
