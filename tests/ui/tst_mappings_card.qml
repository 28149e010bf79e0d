import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtTest
import Norvane 1.0
import NorvaneTest 1.0
import "qrc:/norvane/qml/pages"

Item {
    id: top
    width: 1000
    height: 800

    Component {
        id: cardComponent
        MappingsCard {}
    }
    Component {
        id: pageComponent
        GroupPage {
            width: top.width
            height: 600
        }
    }

    TestCase {
        name: "MappingsCard"
        when: windowShown

        property string groupId

        function cleanup() {
            AppState.stopRecording()
            AppState.autoRecordID = ""
        }

        // A fresh group with no mappings, and its card.
        function openCard() {
            AppState.stopRecording()
            groupId = TestPlatform.addGroupOf(0)
            const card = createTemporaryObject(cardComponent, top, { groupId: groupId, width: top.width })
            compare(card.count, 0)
            return card
        }

        function row(card, i) {
            tryVerify(() => card.rows.itemAtIndex(i) !== null, 1000, "row " + i)
            return card.rows.itemAtIndex(i)
        }

        // Adds a mapping and ends the recording its new row starts.
        function addRow(card) {
            Mappings.add()
            const r = row(card, card.count - 1)
            AppState.stopRecording()
            return r
        }

        function find(item, name) {
            const child = findChild(item, name)
            verify(child !== null, name)
            return child
        }

        function chooseKind(r, kind) {
            r.actionEditor.openKindMenu()
            const menu = r.actionEditor.kindMenu
            tryVerify(() => menu.opened)
            let entry = null
            for (let i = 0; i < menu.count; ++i) {
                if (menu.itemAt(i).objectName === "kind_" + kind)
                    entry = menu.itemAt(i)
            }
            verify(entry !== null, kind)
            waitForRendering(entry)
            mouseClick(entry)
            tryVerify(() => !menu.visible)
        }

        function test_addingRecordsTheNewTriggerAtOnceAndDeletingEmptiesTheList() {
            const card = openCard()
            verify(find(card, "emptyText").visible)
            mouseClick(find(card, "addButton"))
            compare(card.count, 1)
            const r = row(card, 0)
            verify(r.triggerRecorder.recording)
            compare(r.triggerRecorder.shown.text, "按下按键或鼠标键…")
            compare(AppState.autoRecordID, "")
            verify(!find(card, "emptyText").visible)

            verify(TestPlatform.pressKey("ctrl+shift+k"))
            compare(AppState.recorderID, "")
            compare(r.triggerInfo.text, "ctrl+shift+k")
            compare(r.triggerRecorder.look, "value")
            compare(r.actionKind, "keys")

            waitForRendering(r)
            mouseMove(r, r.width / 2, r.height / 2)
            const del = find(r, "deleteButton")
            tryCompare(del, "opacity", 1)
            mouseClick(del)
            compare(card.count, 0)
            verify(find(card, "emptyText").visible)
        }

        function test_switchingKindsStartsOverAndMediaStartsAtPlayPause() {
            const card = openCard()
            const r = addRow(card)
            chooseKind(r, "sendKeys")
            compare(r.actionKind, "sendKeys")
            find(r.actionEditor.kindEditor.picker.item, "appLabel")
            r.actionEditor.kindEditor.picker.item.picked("org.example.Mail")
            Mappings.setActionKeys(r.mappingId, "ctrl+s")
            compare(r.appId, "org.example.Mail")

            chooseKind(r, "openApp")
            compare(r.appId, "")
            chooseKind(r, "sendKeys")
            compare(r.actionKind, "sendKeys")
            compare(r.appId, "")
            verify(!r.actionCombo)
            compare(find(r.actionEditor.kindEditor.picker.item, "appLabel").children[1].text, "选择应用")

            chooseKind(r, "media")
            const picker = r.actionEditor.kindEditor
            compare(picker.objectName, "mediaPicker")
            compare(r.mediaKey, "playpause")
            compare(picker.displayText, "播放 / 暂停")
            picker.currentIndex = 1
            picker.activated(1)
            compare(r.mediaKey, "next")
            compare(picker.displayText, "下一首")
        }

        function test_pickingTheApplicationOfSendKeysKeepsTheRecordedCombination() {
            const card = openCard()
            const r = addRow(card)
            chooseKind(r, "sendKeys")
            const recorder = r.actionEditor.kindEditor.recorder
            compare(recorder.placeholder, "录制快捷键")
            mouseClick(recorder)
            compare(recorder.shown.text, "按下快捷键…")
            TestPlatform.pressMouse(2) // not offered here
            verify(recorder.recording)
            verify(TestPlatform.pressKey("ctrl+s"))
            compare(r.actionCombo.text, "ctrl+s")

            r.actionEditor.kindEditor.picker.item.picked("org.example.Editor")
            compare(r.appId, "org.example.Editor")
            compare(r.actionCombo.text, "ctrl+s")
            compare(find(r.actionEditor.kindEditor.picker.item, "appLabel").children[1].text, "Editor")
        }

        function test_hitCountsDividersAndConflicts() {
            const card = openCard()
            const rows = [addRow(card), addRow(card), addRow(card)]
            const dividers = () => rows.filter(r => find(r, "divider").visible).length
            compare(dividers(), 2)
            verify(!find(rows[2], "divider").visible)

            TestPlatform.hit(rows[1].mappingId, 12)
            compare(find(rows[1], "hitText").text, "12 次")
            compare(find(rows[0], "hitText").text, "")
            compare(find(rows[0], "hitText").width, 46)

            // Two rows with the same trigger both warn, until one changes.
            Mappings.setTrigger(rows[0].mappingId, "ctrl+f1")
            Mappings.setTrigger(rows[1].mappingId, "ctrl+f1")
            const icon = find(rows[0], "conflictIcon")
            verify(icon.visible)
            verify(find(rows[1], "conflictIcon").visible)
            compare(icon.ToolTip.text, "本组里还有一条映射用了相同的触发键，只有排在前面的会生效")
            Mappings.setTrigger(rows[1].mappingId, "ctrl+f2")
            verify(!icon.visible)
            verify(!find(rows[1], "conflictIcon").visible)

            // Deleting the last row takes the divider off the new last one.
            Mappings.remove(rows[2].mappingId)
            tryCompare(card.rows, "count", 2)
            verify(!find(rows[1], "divider").visible)
        }

        function test_aDisabledRowIsDimmedButStaysUsable() {
            const card = openCard()
            const r = addRow(card)
            waitForRendering(r)
            const box = find(r, "enabledBox")
            compare(box.ToolTip.text, "停用这条映射")
            mouseClick(box)
            verify(!r.mappingEnabled)
            compare(r.content.opacity, 0.5)
            compare(box.ToolTip.text, "启用这条映射")

            mouseClick(r.triggerRecorder)
            verify(r.triggerRecorder.recording)
            verify(TestPlatform.pressKey("alt+j"))
            compare(r.triggerInfo.text, "opt+j")
            mouseClick(box)
            compare(r.content.opacity, 1)
        }

        function test_typingANoteKeepsTheRowAndItsFocus() {
            const card = openCard()
            addRow(card)
            const r = addRow(card)
            const field = r.noteField
            waitForRendering(field)
            mouseClick(field)
            verify(field.activeFocus)
            keyClick(Qt.Key_A)
            keyClick(Qt.Key_B)
            compare(r.note, "ab")
            verify(field.activeFocus)
            compare(field.cursorPosition, 2)
            verify(card.rows.itemAtIndex(1) === r)
        }

        // A group of 1,000 mappings: the card only makes the rows the page
        // shows and follows the page when it scrolls.
        function test_aThousandMappingsMakeOnlyTheRowsInViewAndScrollToTheLast() {
            const id = TestPlatform.addGroupOf(1000)
            AppState.select("group", id)
            const page = createTemporaryObject(pageComponent, top)
            waitForRendering(page)
            const card = find(page, "mappingsCard")
            compare(card.count, 1000)
            verify(card.rows.itemAtIndex(0) !== null)
            verify(card.rows.itemAtIndex(999) === null)

            tryVerify(() => page.contentHeight > 52000)
            page.contentY = page.contentHeight - page.height
            const last = row(card, 999)
            verify(card.rows.itemAtIndex(0) === null)
            verify(!find(last, "divider").visible)

            Mappings.setNote(last.mappingId, "x")
            compare(last.note, "x")
        }
    }
}
