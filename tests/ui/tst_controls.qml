import QtQuick
import QtTest
import Norvane 1.0
import "qrc:/norvane/qml/controls"

Item {
    id: top
    width: 400
    height: 300

    Component { id: groupIcon; GroupIcon {} }
    Component { id: comboView; ComboView {} }
    Component { id: triggerView; TriggerView {} }
    Component { id: appLabel; AppLabel {} }
    Component {
        id: chip
        Chip {
            property int removals: 0
            text: "docs.example.com"
            leading: SymbolIcon { name: "globe" }
            onRemoved: removals++
        }
    }

    TestCase {
        name: "Controls"
        when: windowShown

        function keycapTexts(combo) {
            const texts = []
            for (let i = 0; i < combo.children.length; ++i) {
                if (combo.children[i].text !== undefined)
                    texts.push(combo.children[i].text)
            }
            return texts
        }

        function test_groupIconShowsTheAppIconOrAStyleTile() {
            const icon = createTemporaryObject(groupIcon, top, { iconApp: "org.example.Editor", iconStyle: "media" })
            const image = findChild(icon, "appImage")
            const tile = findChild(icon, "tile")
            verify(image.visible && !tile.visible)
            compare(image.width, 26 * 1.12)
            tryCompare(image, "status", Image.Ready)
            const shot = grabImage(image)
            compare(String(shot.pixel(image.width / 2, image.height / 2)), "#2878dc") // the icon file's colour

            icon.iconApp = ""
            verify(tile.visible && !image.visible)
            compare(tile.symbol, "music.note")
            compare(tile.topColor, Qt.rgba(1.0, 0.38, 0.55, 1))
            compare(tile.bottomColor, Qt.rgba(0.86, 0.18, 0.42, 1))
            icon.iconStyle = "mouse"
            compare(tile.symbol, "computermouse.fill")
            icon.iconStyle = "application"
            compare(tile.symbol, "square.grid.2x2.fill")
            icon.iconStyle = ""
            compare(tile.symbol, "command")
        }

        function test_comboViewShowsEveryKeycapInOrder() {
            const combo = createTemporaryObject(comboView, top, { symbols: ["Ctrl", "Ctrl", "K"] })
            compare(keycapTexts(combo), ["Ctrl", "Ctrl", "K"])
            combo.large = true
            tryVerify(() => combo.implicitHeight >= 58)
            compare(combo.spacing, 8)
        }

        function test_triggerViewShowsAMouseButtonAsOneKeycap() {
            const mouse = AppState.triggerInfo("mouse:3")
            verify(mouse.valid && mouse.mouse)
            const view = createTemporaryObject(triggerView, top, { trigger: mouse })
            const name = findChild(view, "buttonName")
            verify(name.visible)
            compare(name.text, mouse.buttonName)
            verify(name.text !== "")
            verify(view.implicitWidth > name.implicitWidth)

            view.trigger = AppState.triggerInfo("ctrl+k")
            verify(!name.visible)
            compare(view.shown.symbols, AppState.triggerInfo("ctrl+k").symbols)
        }

        function test_chipRemovesAndFollowsThePointer() {
            const c = createTemporaryObject(chip, top, { x: 10, y: 10 })
            const remove = findChild(c, "removeButton")
            verify(!c.hovered)
            compare(remove.opacity, 0.45)
            mouseMove(c, 5, c.height / 2)
            tryCompare(c, "hovered", true)
            compare(remove.opacity, 1)
            mouseClick(remove)
            compare(c.removals, 1)
            mouseMove(top, 390, 290)
            tryCompare(c, "hovered", false)
        }

        function test_appLabelNamesTheAppOrShowsThePlaceholder() {
            const label = createTemporaryObject(appLabel, top, { appId: "org.example.Editor" })
            compare(findChild(label, "name").text, "Editor")
            label.appId = ""
            compare(findChild(label, "name").text, "选择应用")
        }
    }
}
