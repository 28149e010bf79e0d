import QtQuick
import QtQuick.Controls.Basic
import Norvane 1.0

// A borderless button showing its label item that opens a menu of
// applications to pick: the running ones not in `exclude` (under the header
// "正在运行", built afresh each time the menu opens), then an entry that opens
// the list of installed applications. picked(id) follows each choice.
Item {
    id: root

    property var exclude: []
    default property alias label: labelSlot.data
    readonly property alias menu: menu
    readonly property alias installedPicker: installed

    signal picked(string id)

    implicitWidth: labelSlot.width
    implicitHeight: labelSlot.height

    function open() {
        menu.open()
    }

    Item {
        id: labelSlot
        readonly property Item item: children.length > 0 ? children[0] : null
        width: item ? item.implicitWidth : 0
        height: item ? item.implicitHeight : 0
    }
    MouseArea {
        anchors.fill: parent
        onClicked: root.open()
    }

    // The entries before the divider are made each time the menu opens.
    function rebuild() {
        while (menu.count > 2)
            menu.removeItem(menu.itemAt(0))
        const running = AppState.runningApps(root.exclude)
        if (running.length === 0)
            return
        menu.insertItem(0, headerEntry.createObject(root))
        for (let i = 0; i < running.length; ++i)
            menu.insertItem(i + 1, appEntry.createObject(root, { appId: running[i].id, text: running[i].name }))
    }

    Component {
        id: headerEntry
        MenuItem {
            text: "正在运行"
            enabled: false
        }
    }
    Component {
        id: appEntry
        MenuItem {
            property string appId
            icon.source: "image://appicon/" + encodeURIComponent(appId) + "?size=16"
            icon.color: "transparent"
            icon.width: 16
            icon.height: 16
            onTriggered: root.picked(appId)
        }
    }

    Menu {
        id: menu
        y: root.height
        onAboutToShow: root.rebuild()

        MenuSeparator {}
        MenuItem {
            text: "从已安装的应用中选择…"
            onTriggered: installed.open()
        }
    }
    InstalledAppPicker {
        id: installed
        exclude: root.exclude
        onPicked: id => root.picked(id)
    }
}
