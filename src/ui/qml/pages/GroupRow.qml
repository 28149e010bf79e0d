import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// One rule group in the sidebar: its icon, name and "N 个映射 · scope".
// Click selects it, the context menu switches, copies or deletes it, and
// dragging it moves it in the list (earlier groups win).
ItemDelegate {
    id: row
    required property int index
    required property string groupId
    required property string displayName
    required property string subtitle
    required property bool groupEnabled
    required property string iconApp
    required property string iconStyle
    property ListView listView

    readonly property bool selected: AppState.selectionKind === "group" && AppState.selectedGroupId === groupId
    implicitHeight: 46
    leftPadding: 14
    rightPadding: 12
    topPadding: 2
    bottomPadding: 2
    // A disabled group looks like an enabled one; only its menu says so.
    opacity: 1

    background: Rectangle {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        radius: 6
        color: row.selected ? Theme.alpha(Theme.accent, 0.2) : (row.hovered ? Theme.alpha(Theme.text, 0.06) : "transparent")
        Rectangle {
            // Where a dragged group would land.
            visible: row.listView !== null && row.listView.dropTarget === row.index
            width: parent.width
            height: 2
            color: Theme.accent
        }
    }

    contentItem: RowLayout {
        spacing: 10
        GroupIcon {
            iconApp: row.iconApp
            iconStyle: row.iconStyle
            size: 24
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 1
            Label {
                Layout.fillWidth: true
                text: row.displayName
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            Label {
                Layout.fillWidth: true
                text: row.subtitle
                font.pixelSize: 11
                color: Theme.secondary
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
    }

    MouseArea {
        id: dragArea
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        property bool dragging: false
        property real pressY: 0

        onPressed: (mouse) => { pressY = mouse.y; dragging = false }
        onPositionChanged: (mouse) => {
            if (!(mouse.buttons & Qt.LeftButton) || !row.listView)
                return
            if (Math.abs(mouse.y - pressY) > 6)
                dragging = true
            if (dragging) {
                const p = mapToItem(row.listView.contentItem, mouse.x, mouse.y)
                let target = row.listView.indexAt(10, p.y)
                if (target < 0)
                    target = p.y < 0 ? 0 : row.listView.count - 1
                row.listView.dropTarget = target
            }
        }
        onReleased: (mouse) => {
            if (dragging && row.listView) {
                const target = row.listView.dropTarget
                row.listView.dropTarget = -1
                dragging = false
                if (target >= 0 && target !== row.index)
                    AppState.moveGroup(row.index, target)
            }
        }
        onClicked: (mouse) => {
            if (mouse.button === Qt.RightButton)
                menu.popup()
            else
                AppState.select("group", row.groupId)
        }
    }

    Menu {
        id: menu
        MenuItem {
            text: row.groupEnabled ? "停用" : "启用"
            onTriggered: AppState.toggleGroup(row.groupId)
        }
        MenuItem {
            text: "复制一份"
            onTriggered: AppState.duplicateGroup(row.groupId)
        }
        MenuSeparator {}
        MenuItem {
            text: "删除"
            palette.windowText: "#d93025"
            contentItem: Label { text: "删除"; color: "#d93025"; leftPadding: 8 }
            onTriggered: AppState.deleteGroup(row.groupId)
        }
    }
}
