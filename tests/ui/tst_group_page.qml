import QtQuick
import QtTest
import Norvane 1.0
import NorvaneTest 1.0
import "qrc:/norvane/qml/pages"

Item {
    id: top
    width: 900
    height: 1400

    Component {
        id: pageComponent
        GroupPage {}
    }

    TestCase {
        name: "GroupPage"
        when: windowShown

        function init() {
            AppState.addGroup()
            TestPlatform.setRunning([])
            TestPlatform.activate("")
        }

        function openPage() {
            return createTemporaryObject(pageComponent, top, { width: top.width, height: top.height })
        }

        function find(page, name) {
            const item = findChild(page, name)
            verify(item !== null, name)
            return item
        }

        function typeKeyword(page, text) {
            const field = find(page, "keywordField")
            field.forceActiveFocus()
            field.text = text
            keyClick(Qt.Key_Return)
            return field
        }

        function test_nameAndSwitchWriteTheGroupAtOnce() {
            const page = openPage()
            const field = find(page, "nameField")
            field.selectAll()
            field.forceActiveFocus()
            keyClick(Qt.Key_A)
            keyClick(Qt.Key_B)
            compare(GroupEditor.name, "ab")
            compare(AppState.groupInfo(GroupEditor.groupId).name, "ab")

            compare(find(page, "statistics").text, "1 个映射")
            mouseClick(find(page, "groupSwitch"))
            verify(!GroupEditor.groupEnabled)
            compare(find(page, "statistics").text, "1 个映射 · 已停用")
        }

        function test_onlyWarnsWithoutAppsAndModesKeepAppsAndKeywords() {
            const page = openPage()
            const warning = find(page, "onlyWarning")
            verify(find(page, "allText").visible)
            verify(!warning.visible)

            mouseClick(find(page, "segment_except"))
            compare(GroupEditor.mode, "except")
            verify(!warning.visible)

            mouseClick(find(page, "segment_only"))
            verify(warning.visible)
            verify(find(page, "urlSection").visible)

            GroupEditor.addApp("org.example.Mail")
            verify(!warning.visible)
            typeKeyword(page, "mail.example.com")
            mouseClick(find(page, "segment_all"))
            verify(!find(page, "appRow").visible)
            verify(!find(page, "urlSection").visible)
            mouseClick(find(page, "segment_only"))
            compare(GroupEditor.appIds, ["org.example.Mail"])
            compare(GroupEditor.urls, ["mail.example.com"])
            verify(findChild(page, "appChip_org.example.Mail") !== null)
        }

        function test_keywordsAreTrimmedKeptAsTypedAndNotRepeated() {
            GroupEditor.setMode("only")
            const page = openPage()
            const field = typeKeyword(page, "  Docs.Example.com\t")
            compare(GroupEditor.urls, ["Docs.Example.com"])
            compare(field.text, "")

            keyClick(Qt.Key_Return)
            typeKeyword(page, "   ")
            compare(field.text, "   ")
            typeKeyword(page, "Docs.Example.com")
            compare(field.text, "Docs.Example.com")
            typeKeyword(page, "docs.example.com")
            compare(GroupEditor.urls, ["Docs.Example.com", "docs.example.com"])

            // A keyword half typed does not follow the user to another group.
            field.text = "half"
            const first = GroupEditor.groupId
            AppState.addGroup()
            verify(GroupEditor.groupId !== first)
            compare(field.text, "")
        }

        function test_fillTakesHostAndFirstSegmentFromTheBrowserJustUsed() {
            GroupEditor.setMode("only")
            const page = openPage()
            TestPlatform.setRunning(["firefox", "chromium"])
            TestPlatform.setPageAddress("chromium", "https://news.example.org/")
            TestPlatform.setPageAddress("firefox", "https://docs.example.com/document/d/1abc/edit?usp=sharing#h.1")
            TestPlatform.activate("firefox")
            TestPlatform.activate("norvane")

            mouseClick(find(page, "fillButton"))
            compare(GroupEditor.urls, ["docs.example.com/document"])
            compare(GroupEditor.appIds, ["firefox"])

            // Without an address in the browser used last, the next running
            // browser that has one counts; a bare host stays bare.
            TestPlatform.setPageAddress("firefox", "")
            mouseClick(find(page, "fillButton"))
            compare(GroupEditor.urls, ["docs.example.com/document", "news.example.org"])
            compare(GroupEditor.appIds, ["firefox", "chromium"])
        }

        function test_failedFillHintsUntilTheNextKeyword() {
            GroupEditor.setMode("only")
            const page = openPage()
            const help = find(page, "helpLine")
            verify(help.text.startsWith("当前网页地址包含任一关键词时才生效"))

            TestPlatform.setPageAddress("firefox", "https://docs.example.com/x")
            mouseClick(find(page, "fillButton"))
            verify(GroupEditor.hint.startsWith("没读到网页地址"))
            compare(help.text, GroupEditor.hint)
            compare(GroupEditor.urls, [])

            typeKeyword(page, "example")
            compare(GroupEditor.hint, "")
            verify(help.text.startsWith("当前网页地址包含任一关键词时才生效"))
        }
    }
}
