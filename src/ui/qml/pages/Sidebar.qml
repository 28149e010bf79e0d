import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// The rule groups and the two tool pages, with the permission banner, the
// add menu and the master switch pinned below.
Rectangle {
    id: sidebar
    color: Qt.darker(Theme.windowBackground, 1.04)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ListView {
            id: list
            // The row a dragged group would move to, or -1.
            property int dropTarget: -1
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: AppState.groups
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}

            header: SidebarSection { title: "规则组"; width: list.width }

            delegate: GroupRow {
                width: list.width
                listView: list
            }

            footer: Column {
                width: list.width
                SidebarSection { title: "工具"; width: parent.width }
                SidebarItemRow {
                    width: parent.width
                    symbol: "dot.radiowaves.left.and.right"
                    text: "按键检测"
                    selected: AppState.selectionKind === "activity"
                    onClicked: AppState.select("activity")
                }
                SidebarItemRow {
                    width: parent.width
                    symbol: "gearshape"
                    text: "通用设置"
                    selected: AppState.selectionKind === "general"
                    onClicked: AppState.select("general")
                }
            }
        }

        PermissionBanner {
            Layout.fillWidth: true
            Layout.margins: 10
            visible: !AppState.accessGranted
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.separator
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 9
            Layout.bottomMargin: 9
            spacing: 6

            AddMenuButton {}

            Item { Layout.fillWidth: true }

            Label {
                text: AppState.masterEnabled ? "已启用" : "已暂停"
                font.pixelSize: 11
                color: Theme.secondary
            }

            Switch {
                id: master
                objectName: "masterSwitch"
                checked: AppState.masterEnabled
                onToggled: AppState.masterEnabled = checked
                scale: 0.7
                implicitWidth: 40
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: "暂停后所有规则都不生效"
            }
        }
    }
}
