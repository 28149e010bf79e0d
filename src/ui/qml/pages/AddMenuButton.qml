import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// "添加": a new blank group, or one from a template.
AbstractButton {
    id: button
    objectName: "addMenuButton"
    Accessible.name: "添加"
    implicitWidth: row.implicitWidth + 8
    implicitHeight: row.implicitHeight + 6
    onClicked: menu.popup(0, -menu.implicitHeight)

    background: Rectangle {
        radius: 5
        color: button.hovered ? Theme.alpha(Theme.text, 0.06) : "transparent"
    }
    contentItem: Item {}

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 4
        Text {
            text: Symbols.glyph("plus")
            font.family: Symbols.family
            font.pixelSize: 15
            color: Theme.text
        }
        Label { text: "添加" }
    }

    Menu {
        id: menu
        MenuItem {
            text: "新建空白规则组"
            onTriggered: AppState.addGroup()
        }
        MenuItem {
            text: "从模板添加…"
            onTriggered: AppState.showTemplates = true
        }
    }
}
