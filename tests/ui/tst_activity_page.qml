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
        ActivityPage {}
    }

    TestCase {
        name: "ActivityPage"
        when: windowShown

        function init() {
            Activity.clearRecent()
            AppState.masterEnabled = true
        }

        function openPage() {
            return createTemporaryObject(pageComponent, top, { width: top.width, height: top.height })
        }

        function find(page, name) {
            const item = findChild(page, name)
            verify(item !== null, name)
            return item
        }

        function shownDividers(page) {
            const rows = find(page, "recentRows")
            let n = 0
            for (let i = 0; i < rows.count; ++i) {
                if (rows.itemAt(i).hasDivider) {
                    ++n
                }
            }
            return n
        }

        function test_probeReportingRunsExactlyWhileThePageExists() {
            verify(!Activity.probeActive)
            const page = openPage()
            verify(Activity.probeActive)
            page.destroy()
            tryVerify(() => !Activity.probeActive)
        }

        function test_recentListShowsTheNewestThirtyWithDividersBetween() {
            const page = openPage()
            verify(find(page, "noRecent").visible)
            verify(!find(page, "clearButton").visible)

            const newest = new Date(2024, 2, 5, 21, 4, 9).getTime()
            TestPlatform.fillRecent(45, newest)
            const rows = find(page, "recentRows")
            compare(rows.count, 30)
            compare(shownDividers(page), 29)
            verify(!rows.itemAt(29).hasDivider)
            compare(findChild(rows.itemAt(0), "time").text, "21:04:09")
            compare(findChild(rows.itemAt(1), "time").text, "21:04:08")
            verify(!find(page, "noRecent").visible)

            const clear = find(page, "clearButton")
            verify(clear.visible)
            waitForRendering(page)
            mouseClick(clear)
            compare(rows.count, 0)
            verify(!clear.visible)
            verify(find(page, "noRecent").visible)
        }

        function test_probeCardWaitsThenShowsEachReportWithItsVerdict() {
            const page = openPage()
            const area = find(page, "probeArea")
            verify(area.height >= 210)
            // No probe yet in this engine's model unless an earlier test
            // left one; the waiting text shows only without a probe.
            compare(find(page, "waiting").visible, !Activity.hasProbe)
            compare(find(page, "hint").text, "切到任意应用按一下试试")

            TestPlatform.reportProbe("ctrl+k", "org.example.Editor", "", "浏览器 · 新标签页")
            verify(!find(page, "waiting").visible)
            compare(area.insertions, 1)
            compare(findChild(area.current, "verdict").text, "命中：浏览器 · 新标签页")
            compare(findChild(area.current, "appName").text, "Editor")
            verify(!findChild(area.current, "url").visible)

            // The same key again plays the insertion again.
            TestPlatform.reportProbe("ctrl+k", "", "https://example.org/page", "")
            compare(area.insertions, 2)
            compare(findChild(area.current, "appName").text, "未知应用")
            verify(findChild(area.current, "url").visible)
            compare(findChild(area.current, "verdict").text, "没有匹配的规则，按键会原样发出")

            AppState.masterEnabled = false
            compare(findChild(area.current, "verdict").text, "岚枢已暂停")
        }

        function test_reopenedPageShowsTheLastProbeWithoutReplayingIt() {
            TestPlatform.reportProbe("mouse:4", "", "", "")
            const page = openPage()
            const area = find(page, "probeArea")
            verify(area.current !== null)
            compare(area.insertions, 0)
            verify(!find(page, "waiting").visible)
        }
    }
}
