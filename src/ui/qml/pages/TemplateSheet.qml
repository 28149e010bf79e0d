import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// The template gallery over the main window. Escape or "取消" closes it
// without adding anything.
Popup {
    id: sheet
    objectName: "templateSheet"
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: parent
    width: 660
    padding: 26
    onClosed: AppState.showTemplates = false

    background: Rectangle {
        radius: 12
        color: Theme.windowBackground
        border.width: 0.5
        border.color: Theme.separator
    }

    contentItem: ColumnLayout {
        spacing: 18

        RowLayout {
            Layout.fillWidth: true
            ColumnLayout {
                spacing: 4
                Label {
                    text: "从模板开始"
                    font.pixelSize: 22
                    font.bold: true
                }
                Label {
                    text: "挑一个常用场景，添加后可以随意修改。"
                    color: Theme.secondary
                }
            }
            Item { Layout.fillWidth: true }
            Button {
                text: "取消"
                onClicked: sheet.close()
            }
        }

        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 12
            rowSpacing: 12
            Repeater {
                model: AppState.templates()
                delegate: TemplateCard {
                    required property var modelData
                    objectName: "template_" + modelData.id
                    Layout.fillWidth: true
                    Layout.preferredWidth: 10
                    template: modelData
                    onClicked: AppState.addTemplate(modelData.id)
                }
            }
        }
    }
}
