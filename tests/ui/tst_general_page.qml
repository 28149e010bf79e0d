import QtQuick
import QtTest
import Norvane 1.0
import NorvaneTest 1.0
import "qrc:/norvane/qml/pages"

Item {
    id: top
    width: 1100
    height: 1600

    readonly property string malformed: "配置文件格式有误，已沿用当前规则。可在「通用设置」里打开配置文件检查。"
    readonly property string oneGroup: '{"version": 2, "preferences": {"showHUD": true}, "groups": [{"id": "6F9619FF-8B86-D011-B42D-00C04FC964FF", "name": "甲", "enabled": true, "scope": {"mode": "all"}, "mappings": []}]}'

    Component {
        id: pageComponent
        GeneralPage {}
    }

    TestCase {
        name: "GeneralPage"
        when: windowShown

        function init() {
            GeneralTest.startWithConfig(top.oneGroup)
            GeneralTest.setAccessGranted(true)
        }

        function openPage() {
            const page = createTemporaryObject(pageComponent, top, { width: top.width, height: top.height })
            waitForRendering(page)
            return page
        }

        function find(page, name) {
            const item = findChild(page, name)
            verify(item !== null, name)
            return item
        }

        function test_formIsAtMost760WideAndCentred() {
            const page = openPage()
            const section = find(page, "configSection")
            compare(section.width, 760)
            const x = section.mapToItem(page, 0, 0).x
            fuzzyCompare(x, (top.width - 760) / 2, 1)
        }

        function test_malformedFileIsSaidUntilAReloadWorks() {
            GeneralTest.startWithConfig("{ not json")
            const page = openPage()
            const message = find(page, "message")
            verify(message.visible)
            compare(message.text, top.malformed)

            mouseClick(find(page, "reloadButton"))
            compare(message.text, top.malformed)

            GeneralTest.writeConfig(top.oneGroup)
            mouseClick(find(page, "reloadButton"))
            compare(message.text, "已重新载入")
            verify(!find(page, "saveError").visible)
        }

        function test_accessRowSwitchesWhenAccessArrives() {
            GeneralTest.setAccessGranted(false)
            const page = openPage()
            const button = find(page, "accessButton")
            const granted = find(page, "accessGranted")
            verify(button.visible)
            compare(button.text, "去开启")
            verify(!granted.visible)

            GeneralTest.setAccessGranted(true)
            verify(!button.visible)
            verify(granted.visible)
        }

        function test_hudSwitchFlipsWriteTheFileOnce() {
            const page = openPage()
            const hud = find(page, "hudSwitch")
            verify(hud.checked)
            mouseClick(hud)
            verify(!General.showHUD)
            verify(!hud.checked)
            mouseClick(hud)
            verify(General.showHUD)
            compare(GeneralTest.configWrites(), 0)
            tryVerify(() => GeneralTest.configWrites() === 1, 3000)
            wait(600)
            compare(GeneralTest.configWrites(), 1)
        }

        function test_launchSwitchRegistersTheLoginItem() {
            const page = openPage()
            const launch = find(page, "launchSwitch")
            verify(!launch.checked)
            mouseClick(launch)
            verify(General.launchAtLogin)
            verify(launch.checked)
            verify(!find(page, "message").visible)
            mouseClick(launch)
            verify(!General.launchAtLogin)
        }

        function test_aboutShowsTheUnversionedBuildAsDev() {
            const page = openPage()
            compare(find(page, "aboutLine").text, "Norvane · 版本 dev · 按应用、按网页的快捷键映射")
            verify(find(page, "appTile").visible)
            verify(!find(page, "appIcon").visible)
            verify(find(page, "configPath").text.endsWith("config.json"))
        }

        function test_exportToAReadOnlyFolderSaysItFailed() {
            const page = openPage()
            General.exportTo(GeneralTest.readOnlyFolder() + "/岚枢配置.json")
            const message = find(page, "message")
            verify(message.text.startsWith("导出失败："), message.text)
            verify(message.text.length > "导出失败：".length)
            verify(General.messageIsError)

            // The next page starts without it.
            const again = openPage()
            verify(!find(again, "message").visible)
        }

        function test_browserRowsRegisterAndFollowTheBridge() {
            const page = openPage()
            const rows = find(page, "browserRows")
            compare(rows.count, 2)
            const chromium = rows.itemAt(0)
            const firefox = rows.itemAt(1)
            compare(find(chromium, "registerButton").text, "重新登记")
            compare(find(firefox, "registerButton").text, "登记")
            compare(find(firefox, "status").text, "未登记桥接程序")

            mouseClick(find(firefox, "registerButton"))
            verify(find(page, "message").text.indexOf("about:debugging") >= 0)
            compare(find(rows.itemAt(1), "registerButton").text, "重新登记")

            GeneralTest.setBrowserLive("chromium", true)
            General.refreshBrowsers()
            compare(find(rows.itemAt(0), "status").text, "已连接，正在提供网址")
            GeneralTest.setBrowserLive("chromium", false)
            General.refreshBrowsers()
        }

        function test_windowTrackingRowSaysWhereTheShellHelperStands() {
            const page = openPage()
            const row = find(page, "windowTrackingRow")
            const state = find(page, "windowTrackingState")
            const install = find(page, "windowTrackingInstall")
            verify(!row.visible, "no row on a desktop that needs no helper")

            GeneralTest.setWindowTracking("gnome", false, false, false, false)
            General.refreshWindowTracking()
            verify(row.visible)
            compare(find(row, "title").text, "窗口跟踪")
            compare(state.text, "未安装 GNOME Shell 扩展，认不出前台应用")
            verify(install.visible)

            mouseClick(install)
            compare(state.text, "GNOME Shell 扩展已装好，下次登录后生效")
            compare(find(page, "message").text, "GNOME Shell 扩展已装好，下次登录后生效")
            verify(!install.visible, "installing again would not load it sooner")

            GeneralTest.setWindowTracking("gnome", true, false, false, false, "no space left")
            General.refreshWindowTracking()
            mouseClick(install)
            compare(find(page, "message").text, "安装失败：no space left")
            verify(General.messageIsError)

            GeneralTest.setWindowTracking("gnome", true, true, true, true)
            General.refreshWindowTracking()
            compare(state.text, "正在跟踪前台应用")

            // The KWin script is loaded at run time: nothing to install.
            GeneralTest.setWindowTracking("kde", true, true, true, false)
            General.refreshWindowTracking()
            compare(state.text, "KWin 脚本已载入")
            verify(!install.visible)

            GeneralTest.setWindowTracking("", false, false, false, false)
            General.refreshWindowTracking()
            verify(!row.visible)
        }
    }
}
