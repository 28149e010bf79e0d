import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// One mapping: its switch, trigger, action, warning, note, hit count and
// delete button. Every edit goes straight to Mappings, by the mapping's id.
Item {
    id: row

    required property int index
    required property string mappingId
    required property bool mappingEnabled
    required property var triggerInfo
    required property string actionKind
    required property var actionCombo
    required property string mediaKey
    required property string appId
    required property string note
    required property string hitText
    required property string conflict
    required property bool showDivider

    readonly property bool hover: hoverHandler.hovered
    readonly property alias content: content
    readonly property alias triggerRecorder: triggerRecorder
    readonly property alias actionEditor: actionEditor
    readonly property alias noteField: noteField

    implicitHeight: 52

    HoverHandler { id: hoverHandler }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.topMargin: 9
        anchors.bottomMargin: 9
        spacing: 10
        opacity: row.mappingEnabled ? 1 : 0.5

        CheckBox {
            id: enabledBox
            objectName: "enabledBox"
            padding: 0
            checked: row.mappingEnabled
            onToggled: Mappings.setEnabled(row.mappingId, checked)
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: row.mappingEnabled ? "停用这条映射" : "启用这条映射"
        }
        RecorderButton {
            id: triggerRecorder
            objectName: "triggerRecorder"
            recorderId: row.mappingId + "-t"
            value: row.triggerInfo
            allowMouse: true
            placeholder: "录制触发键"
        }
        SymbolIcon {
            name: "arrow.right"
            size: 11
            font.weight: Font.Bold
            color: Theme.tertiary
        }
        ActionEditor {
            id: actionEditor
            mappingId: row.mappingId
            actionKind: row.actionKind
            actionCombo: row.actionCombo
            mediaKey: row.mediaKey
            appId: row.appId
        }
        Item {
            Layout.fillWidth: true
            Layout.preferredWidth: 0
        }
        SymbolIcon {
            id: conflictIcon
            objectName: "conflictIcon"
            visible: row.conflict !== ""
            name: "exclamationmark.triangle.fill"
            color: Theme.orange

            HoverHandler { id: conflictHover }
            ToolTip.visible: conflictHover.hovered
            ToolTip.text: row.conflict
        }
        TextField {
            id: noteField
            objectName: "noteField"
            // 84 wide; narrower only when the row would not fit otherwise.
            Layout.fillWidth: true
            Layout.preferredWidth: 84
            Layout.maximumWidth: 84
            Layout.minimumWidth: 44
            padding: 2
            text: row.note
            placeholderText: "备注"
            placeholderTextColor: Theme.tertiary
            horizontalAlignment: TextInput.AlignRight
            font.pixelSize: Theme.bodySize
            color: Theme.secondary
            selectByMouse: true
            background: null
            onTextEdited: Mappings.setNote(row.mappingId, text)
        }
        Text {
            id: hits
            objectName: "hitText"
            Layout.preferredWidth: 46
            horizontalAlignment: Text.AlignRight
            text: row.hitText
            font.pixelSize: Theme.captionSize
            color: Theme.tertiary

            HoverHandler { id: hitsHover }
            ToolTip.visible: hitsHover.hovered
            ToolTip.delay: 600
            ToolTip.text: "累计触发次数"
        }
        AbstractButton {
            id: deleteButton
            objectName: "deleteButton"
            padding: 2
            opacity: row.hover ? 1 : 0
            contentItem: SymbolIcon {
                name: "trash"
                color: Theme.secondary
            }
            onClicked: Mappings.remove(row.mappingId)
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: "删除这条映射"
        }
    }

    Rectangle {
        objectName: "divider"
        visible: row.showDivider
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Theme.separator
        opacity: 0.6
    }
}
