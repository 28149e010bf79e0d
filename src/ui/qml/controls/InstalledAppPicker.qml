import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Norvane 1.0

// A modal list of the installed applications, searchable by name, from which
// several can be chosen at once. Applications in `exclude` are not offered.
// On 添加, picked(id) follows once per chosen application, in list order.
Dialog {
    id: root

    property var exclude: []
    property var apps: []      // [{id, name}], read when the dialog opens
    property var chosen: ({})  // id -> true
    readonly property var shown: apps.filter(app => !isExcluded(app.id) && matches(app, query))
    property alias query: search.text
    readonly property int chosenCount: Object.keys(chosen).length

    signal picked(string id)

    title: "选择应用"
    modal: true
    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: 380
    height: 440

    function isExcluded(id) {
        for (let i = 0; i < exclude.length; ++i) {
            if (exclude[i] === id)
                return true
        }
        return false
    }
    function matches(app, text) {
        const q = text.trim().toLowerCase()
        return q === "" || app.name.toLowerCase().includes(q) || app.id.toLowerCase().includes(q)
    }
    function toggle(id) {
        const next = Object.assign({}, chosen)
        if (next[id])
            delete next[id]
        else
            next[id] = true
        chosen = next
    }

    onAboutToShow: {
        apps = AppState.installedApps()
        chosen = {}
        query = ""
    }
    onAccepted: {
        for (const app of apps) {
            if (chosen[app.id] && !isExcluded(app.id))
                picked(app.id)
        }
    }

    contentItem: ColumnLayout {
        spacing: 8

        TextField {
            id: search
            Layout.fillWidth: true
            placeholderText: "搜索"
        }
        ListView {
            id: list
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: root.shown
            delegate: CheckDelegate {
                required property var modelData
                width: ListView.view.width
                text: modelData.name
                checked: !!root.chosen[modelData.id]
                icon.source: "image://appicon/" + encodeURIComponent(modelData.id) + "?size=24"
                icon.color: "transparent"
                icon.width: 24
                icon.height: 24
                onClicked: root.toggle(modelData.id)
            }
        }
    }

    footer: DialogButtonBox {
        Button {
            text: "添加"
            enabled: root.chosenCount > 0
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            text: "取消"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }
}
