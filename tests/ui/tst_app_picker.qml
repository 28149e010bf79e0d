import QtQuick
import QtTest
import Norvane 1.0
import "qrc:/norvane/qml/controls"

Item {
    id: top
    width: 500
    height: 500

    Component {
        id: pickerMenu
        AppPickerMenu {
            property var picks: []
            onPicked: id => picks.push(id)
            Text { text: "添加应用" }
        }
    }

    TestCase {
        name: "AppPickerMenu"
        when: windowShown

        function entries(menu) {
            const texts = []
            for (let i = 0; i < menu.count; ++i)
                texts.push(menu.itemAt(i).text === undefined ? "—" : menu.itemAt(i).text)
            return texts
        }

        function test_listsRunningAppsByNameWithoutItselfOrExcluded() {
            const picker = createTemporaryObject(pickerMenu, top)
            verify(picker.implicitWidth > 0)
            mouseClick(picker)
            tryCompare(picker.menu, "opened", true)
            compare(entries(picker.menu), ["正在运行", "Editor", "Mail", "—", "从已安装的应用中选择…"])
            verify(!picker.menu.itemAt(0).enabled)
            picker.menu.itemAt(2).triggered()
            compare(picker.picks, ["org.example.Mail"])
            picker.menu.close()

            // Built afresh on every opening.
            picker.exclude = ["org.example.Mail", "org.example.Editor"]
            picker.open()
            tryCompare(picker.menu, "opened", true)
            compare(entries(picker.menu), ["—", "从已安装的应用中选择…"])
            picker.menu.close()
        }

        function test_installedAppsArePickedInListOrderSkippingExcluded() {
            const picker = createTemporaryObject(pickerMenu, top, { exclude: ["org.example.Mail"] })
            picker.open()
            tryCompare(picker.menu, "opened", true)
            picker.menu.itemAt(picker.menu.count - 1).triggered()
            const dialog = picker.installedPicker
            tryCompare(dialog, "opened", true)
            compare(dialog.shown.map(app => app.name), ["Editor", "Music"])
            dialog.toggle("org.example.Music")
            dialog.toggle("org.example.Editor")
            dialog.accept()
            compare(picker.picks, ["org.example.Editor", "org.example.Music"])
        }

        function test_installedListSearchesAndCancelPicksNothing() {
            const picker = createTemporaryObject(pickerMenu, top)
            const dialog = picker.installedPicker
            dialog.open()
            tryCompare(dialog, "opened", true)
            compare(dialog.shown.length, 3)
            dialog.toggle("org.example.Music")
            dialog.query = "MUS"
            compare(dialog.shown.map(app => app.id), ["org.example.Music"])
            dialog.reject()
            compare(picker.picks, [])
            dialog.open() // opens empty again
            tryCompare(dialog, "opened", true)
            compare(dialog.chosenCount, 0)
            compare(dialog.shown.length, 3)
            dialog.close()
        }
    }
}
