import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// A rule group's page: the header (icon, name, statistics, switch), where
// the group applies, and its mappings. Every edit goes into the model at
// once.
Flickable {
    id: page
    property string groupId: GroupEditor.groupId

    contentWidth: width
    contentHeight: column.implicitHeight + 56
    clip: true
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AlwaysOn }

    ColumnLayout {
        id: column
        width: Math.min(page.width, 880) - 56
        x: (page.width - width) / 2
        y: 28
        spacing: 18

        RowLayout {
            Layout.fillWidth: true
            Layout.bottomMargin: 4
            spacing: 14

            GroupIcon {
                iconApp: GroupEditor.iconApp
                iconStyle: GroupEditor.iconStyle
                size: 46
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 3

                TextField {
                    id: nameField
                    objectName: "nameField"
                    Layout.fillWidth: true
                    text: GroupEditor.name
                    placeholderText: "规则组名称"
                    placeholderTextColor: Theme.tertiary
                    font.pixelSize: 22
                    font.bold: true
                    color: Theme.primary
                    padding: 0
                    background: null
                    selectByMouse: true
                    onTextEdited: GroupEditor.setName(text)
                }
                Text {
                    objectName: "statistics"
                    text: GroupEditor.statistics
                    font.pixelSize: Theme.calloutSize
                    color: Theme.secondary
                }
            }
            Switch {
                objectName: "groupSwitch"
                checked: GroupEditor.groupEnabled
                onToggled: GroupEditor.setGroupEnabled(checked)
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: checked ? "停用这组规则" : "启用这组规则"
            }
        }

        ScopeCard {
            Layout.fillWidth: true
        }

        // The mappings card goes below.
        MappingsCard {
            objectName: "mappingsCard"
            Layout.fillWidth: true
            groupId: page.groupId
        }
    }
}
