import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// A rule group's page: its header (icon, name, statistics).
Flickable {
    id: page
    property string groupId
    readonly property var info: AppState.groupInfo(groupId, AppState.groups.count, revision)
    property int revision: 0
    contentHeight: column.implicitHeight + 48
    clip: true

    Connections {
        target: AppState.groups
        function onDataChanged() { page.revision++ }
        function onModelReset() { page.revision++ }
    }

    ColumnLayout {
        id: column
        x: 28
        y: 24
        width: page.width - 56
        spacing: 18

        RowLayout {
            spacing: 14
            GroupIcon {
                iconApp: page.info.iconApp || ""
                iconStyle: page.info.iconStyle || "command"
                size: 44
            }
            ColumnLayout {
                spacing: 4
                Label {
                    text: page.info.displayName || ""
                    font.pixelSize: 22
                    font.bold: true
                }
                Label {
                    text: page.info.subtitle || ""
                    color: Theme.secondary
                }
            }
        }
    }
}
