import QtQuick
import QtQuick.Controls.Basic
import Norvane 1.0

// Records a key combination, or with allowMouse also an extra mouse button,
// into the slot `recorderId`. A click starts recording (ending any other
// recorder's), a click while recording stops it and keeps `value`. The
// pressed trigger comes back through recorded(trigger), as a map like
// `value`. A button whose slot is AppState.autoRecordID starts recording as
// soon as it is created.
Item {
    id: root

    property string recorderId
    property var value: null
    property bool allowMouse: false
    property string placeholder

    signal recorded(var trigger)

    readonly property bool recording: AppState.recorderID !== "" && AppState.recorderID === recorderId
    readonly property bool hasValue: !!value && value.valid !== false
    // "recording", "value" or "empty": which of the three looks is shown.
    readonly property string look: recording ? "recording" : hasValue ? "value" : "empty"
    readonly property string toolTipText: recording ? "按 Esc 取消" : "点击后按下按键来录制"
    readonly property Item shown: recording ? recordingText : hasValue ? valueView : placeholderText

    Accessible.role: Accessible.Button
    Accessible.name: recording ? recordingText.text : hasValue ? value.label || "" : placeholder
    implicitWidth: Math.max(118, shown.implicitWidth + 12)
    implicitHeight: Math.max(34, shown.implicitHeight)

    function click() {
        if (recording)
            AppState.stopRecording()
        else
            AppState.startRecording(recorderId, allowMouse)
    }

    // The auto-record slot may name this button before or after it is
    // made (a new group's page is built as soon as it is selected).
    function takeAutoRecord() {
        if (recorderId !== "" && AppState.autoRecordID === recorderId) {
            AppState.autoRecordID = ""
            click()
        }
    }

    Component.onCompleted: takeAutoRecord()

    Connections {
        target: AppState
        function onRecorded(id, trigger) {
            if (id === root.recorderId)
                root.recorded(trigger)
        }
        function onAutoRecordIDChanged() {
            root.takeAutoRecord()
        }
    }

    Rectangle {
        anchors.fill: parent
        radius: 9
        color: root.recording ? Theme.alpha(Theme.accent, 0.1) : Theme.alpha(Theme.primary, 0.035)
        Behavior on color { ColorAnimation { duration: 150; easing.type: Easing.OutQuad } }
    }
    DashedBorder {
        anchors.fill: parent
        radius: 9
        lineWidth: root.recording ? 1.5 : 1
        dashed: root.look !== "value"
        color: root.recording ? Theme.accent : Theme.alpha(Theme.primary, root.hasValue ? 0.06 : 0.18)
        Behavior on color { ColorAnimation { duration: 150; easing.type: Easing.OutQuad } }
    }

    Text {
        id: recordingText
        anchors.centerIn: parent
        visible: root.recording
        text: root.allowMouse ? "按下按键或鼠标键…" : "按下快捷键…"
        font.pixelSize: 12
        font.weight: Font.Medium
        color: Theme.accent
    }
    TriggerView {
        id: valueView
        anchors.centerIn: parent
        visible: !root.recording && root.hasValue
        trigger: root.hasValue ? root.value : null
    }
    Text {
        id: placeholderText
        anchors.centerIn: parent
        visible: !root.recording && !root.hasValue
        text: root.placeholder
        font.pixelSize: 12
        color: Theme.secondary
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        onClicked: root.click()
    }

    ToolTip.visible: area.containsMouse
    ToolTip.delay: 600
    ToolTip.text: toolTipText
}
