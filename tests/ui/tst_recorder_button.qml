import QtQuick
import QtTest
import Norvane 1.0
import NorvaneTest 1.0
import "qrc:/norvane/qml/controls"

Item {
    id: top
    width: 400
    height: 200

    Component {
        id: recorder
        RecorderButton {
            property var results: []
            placeholder: "点击录制"
            onRecorded: trigger => results.push(trigger)
        }
    }

    TestCase {
        name: "RecorderButton"
        when: windowShown

        function init() {
            AppState.stopRecording()
            AppState.autoRecordID = ""
        }

        function test_clickStartsAndAClickWhileRecordingStopsKeepingTheValue() {
            const b = createTemporaryObject(recorder, top, { recorderId: "a", value: AppState.triggerInfo("ctrl+k") })
            compare(b.look, "value")
            compare(b.toolTipText, "点击后按下按键来录制")
            mouseClick(b)
            compare(AppState.recorderID, "a")
            compare(b.look, "recording")
            compare(b.toolTipText, "按 Esc 取消")
            mouseClick(b)
            compare(AppState.recorderID, "")
            compare(b.look, "value")
            compare(b.value.text, "ctrl+k")
            compare(b.results.length, 0)
        }

        function test_clickingAnotherRecorderTakesTheRecordingOver() {
            const a = createTemporaryObject(recorder, top, { recorderId: "a" })
            const b = createTemporaryObject(recorder, top, { recorderId: "b", y: 50 })
            compare(a.look, "empty")
            mouseClick(a)
            mouseClick(b)
            compare(AppState.recorderID, "b")
            verify(!a.recording)
            verify(b.recording)
            verify(TestPlatform.pressKey("ctrl+k"))
            compare(a.results.length, 0)
            compare(b.results.length, 1)
            compare(b.results[0].text, "ctrl+k")
            compare(b.look, "empty") // the caller stores the result into value
        }

        function test_theRecordingTextSaysWhatCanBePressed() {
            const keys = createTemporaryObject(recorder, top, { recorderId: "k" })
            const mouse = createTemporaryObject(recorder, top, { recorderId: "m", allowMouse: true, y: 50 })
            mouseClick(keys)
            compare(keys.shown.text, "按下快捷键…")
            mouseClick(mouse)
            compare(mouse.shown.text, "按下按键或鼠标键…")
            TestPlatform.pressMouse(4)
            compare(mouse.results.length, 1)
            verify(mouse.results[0].mouse)
            compare(mouse.results[0].button, 4)
        }

        function test_aButtonForTheAutoRecordSlotStartsRecordingAtOnce() {
            AppState.autoRecordID = "fresh"
            const other = createTemporaryObject(recorder, top, { recorderId: "other" })
            compare(AppState.recorderID, "")
            compare(AppState.autoRecordID, "fresh")
            const fresh = createTemporaryObject(recorder, top, { recorderId: "fresh" })
            compare(AppState.autoRecordID, "")
            compare(AppState.recorderID, "fresh")
            verify(fresh.recording)
            verify(!other.recording)
        }

        function test_aButtonAlreadyMadeStartsRecordingWhenItsSlotIsNamed() {
            // A new group's page is built as it is selected, before the
            // model names the slot of its first trigger.
            const b = createTemporaryObject(recorder, top, { recorderId: "late" })
            compare(AppState.recorderID, "")
            AppState.autoRecordID = "late"
            compare(AppState.recorderID, "late")
            compare(AppState.autoRecordID, "")
            verify(b.recording)
        }
    }
}
