import QtQuick
import QtQuick.Window
import Norvane 1.0
import "../controls"
import "../pages"

// The main window: the sidebar and the page it selects, with the template
// gallery over it while AppState.showTemplates is true.
Window {
    id: window
    title: "岚枢"
    width: 1000
    height: 660
    minimumWidth: 860
    minimumHeight: 520
    color: Theme.windowBackground
    visible: false

    Shortcut { sequence: "Ctrl+,"; onActivated: AppState.select("general") }
    Shortcut { sequence: "Ctrl+W"; onActivated: window.close() }
    Shortcut { sequence: "Ctrl+M"; onActivated: window.showMinimized() }
    Shortcut { sequence: "Ctrl+Q"; onActivated: Windows.quit() }

    MainView {
        anchors.fill: parent
    }
}
