import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// What a mapping does: the kind menu, then the editor of that kind (a key
// recorder, a media key picker, an application picker with or without a key
// recorder). Choosing another kind starts that kind afresh.
RowLayout {
    id: editor

    property string mappingId
    property string actionKind: "keys"
    property var actionCombo: null
    property string mediaKey
    property string appId
    // The widest an application's name is shown.
    property real appNameWidth: 100

    readonly property var kindInfo: {
        const kinds = Mappings.actionKinds
        for (let i = 0; i < kinds.length; ++i) {
            if (kinds[i].id === actionKind)
                return kinds[i]
        }
        return kinds[0]
    }
    readonly property alias kindButton: kindButton
    // The editor of the current kind.
    readonly property Item kindEditor: kindLoader.item
    // The kind menu, made the first time it opens.
    readonly property Menu kindMenu: menuLoader.item

    spacing: 8

    function openKindMenu() {
        menuLoader.active = true
        menuLoader.item.popup(kindButton, 0, kindButton.height + 2)
    }

    AbstractButton {
        id: kindButton
        objectName: "kindButton"
        leftPadding: 9
        rightPadding: 9
        topPadding: 5
        bottomPadding: 5
        font.pixelSize: 12
        font.weight: Font.Medium
        onClicked: editor.openKindMenu()

        background: Rectangle {
            radius: height / 2
            color: Theme.alpha(Theme.accent, kindButton.down ? 0.18 : 0.1)
        }
        contentItem: Row {
            spacing: 4

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: editor.kindInfo.symbol
                size: 12
                color: Theme.accent
            }
            Text {
                objectName: "kindTitle"
                anchors.verticalCenter: parent.verticalCenter
                text: editor.kindInfo.shortTitle
                font: kindButton.font
                color: Theme.accent
            }
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "chevron.down"
                size: 8
                font.weight: Font.Bold
                color: Theme.secondary
            }
        }

        ToolTip.visible: hovered && !(editor.kindMenu && editor.kindMenu.opened)
        ToolTip.delay: 600
        ToolTip.text: "选择动作类型"

        Loader {
            id: menuLoader
            active: false
            sourceComponent: Menu {
                Repeater {
                    model: Mappings.actionKinds
                    MenuItem {
                        id: kindItem
                        required property var modelData
                        objectName: "kind_" + modelData.id
                        text: modelData.title
                        onTriggered: Mappings.setActionKind(editor.mappingId, modelData.id)
                        contentItem: Row {
                            spacing: 8
                            SymbolIcon {
                                anchors.verticalCenter: parent.verticalCenter
                                name: kindItem.modelData.symbol
                                color: kindItem.highlighted ? Theme.palette.highlightedText : Theme.primary
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: kindItem.text
                                font.pixelSize: Theme.bodySize
                                color: kindItem.highlighted ? Theme.palette.highlightedText : Theme.primary
                            }
                        }
                    }
                }
            }
        }
    }

    Loader {
        id: kindLoader
        sourceComponent: {
            switch (editor.actionKind) {
            case "media": return mediaEditor
            case "sendKeys": return sendKeysEditor
            case "openApp": return appPicker
            default: return keysEditor
            }
        }
    }

    Component {
        id: keysEditor
        RecorderButton {
            objectName: "keysRecorder"
            recorderId: editor.mappingId + "-a"
            value: editor.actionCombo
            allowMouse: false
            placeholder: "录制目标快捷键"
        }
    }

    Component {
        id: mediaEditor
        MediaKeyPicker {
            objectName: "mediaPicker"
            mediaKey: editor.mediaKey
            onChosen: key => Mappings.setMediaKey(editor.mappingId, key)
        }
    }

    Component {
        id: appPicker
        AppPickerMenu {
            objectName: "appPicker"
            onPicked: id => Mappings.setActionApp(editor.mappingId, id)

            Rectangle {
                implicitWidth: appLabel.implicitWidth + 16
                implicitHeight: appLabel.implicitHeight + 10
                radius: 8
                color: Theme.alpha(Theme.primary, 0.05)

                AppLabel {
                    id: appLabel
                    objectName: "appLabel"
                    x: 8
                    y: 5
                    appId: editor.appId
                    // A long application name is cut short, so the row's
                    // note, count and delete button stay in the card.
                    Component.onCompleted: {
                        for (let i = 0; i < children.length; ++i) {
                            const name = children[i]
                            if (name.objectName === "name") {
                                const natural = nameMetrics.createObject(name, { target: name })
                                name.elide = Text.ElideRight
                                name.width = Qt.binding(() => Math.min(natural.advanceWidth + 1,
                                                                       editor.appNameWidth))
                            }
                        }
                    }
                }
            }
        }
    }

    // The width a label's text needs, measured apart from the label so that
    // cutting the label short does not change it.
    Component {
        id: nameMetrics
        TextMetrics {
            property Text target
            text: target ? target.text : ""
            font: target ? target.font : Qt.font({})
        }
    }

    Component {
        id: sendKeysEditor
        Row {
            readonly property Item picker: picker
            readonly property Item recorder: recorder
            spacing: 8

            Loader {
                id: picker
                anchors.verticalCenter: parent.verticalCenter
                sourceComponent: appPicker
            }
            RecorderButton {
                id: recorder
                objectName: "keysRecorder"
                anchors.verticalCenter: parent.verticalCenter
                recorderId: editor.mappingId + "-a"
                value: editor.actionCombo
                allowMouse: false
                placeholder: "录制快捷键"
            }
        }
    }
}
