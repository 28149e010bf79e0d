import QtQuick
import QtTest
import Norvane 1.0
import NorvaneTest 1.0
import "qrc:/norvane/qml/pages"

Item {
    id: top
    width: 1000
    height: 900

    Component {
        id: sheetComponent
        TemplateSheet {}
    }

    TestCase {
        name: "TemplateGallery"
        when: windowShown

        function openSheet() {
            AppState.showTemplates = true
            const sheet = createTemporaryObject(sheetComponent, top)
            sheet.open()
            tryVerify(() => sheet.opened)
            return sheet
        }

        function card(sheet, id) {
            const item = findChild(sheet.contentItem, "template_" + id)
            verify(item !== null, id)
            return item
        }

        function test_escapeClosesWithoutAddingAGroup() {
            const before = AppState.groups.count
            const sheet = openSheet()
            keyClick(Qt.Key_Escape)
            tryVerify(() => !sheet.visible)
            verify(!AppState.showTemplates)
            compare(AppState.groups.count, before)
        }

        function test_previewsShowKeysOrTheActionsSummary() {
            const sheet = openSheet()
            const headings = findChild(card(sheet, "doc-headings"), "preview")
            verify(headings.visible)
            verify(headings.info.keys !== undefined)

            // A media action has no keys to draw: its title stands there.
            const media = findChild(card(sheet, "mouse-media"), "preview")
            verify(media.visible)
            verify(findChild(media, "previewSummary").visible)
            verify(findChild(media, "previewSummary").text.length > 0)

            // The blank template's rule has no trigger yet: no preview.
            verify(!findChild(card(sheet, "blank"), "preview").visible)
            sheet.close()
        }

        function test_blankTemplateAddsAGroupThatRecordsAtOnce() {
            const before = AppState.groups.count
            const sheet = openSheet()
            mouseClick(card(sheet, "blank"))
            compare(AppState.groups.count, before + 1)
            tryVerify(() => !AppState.showTemplates)
            compare(AppState.selectionKind, "group")
            compare(AppState.groupInfo(AppState.selectedGroupId).name, "新规则组")
            verify(AppState.autoRecordID.endsWith("-t"))
        }
    }
}
