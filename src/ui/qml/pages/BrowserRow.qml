import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// One installed browser: whether it can start Norvane's bridge and whether
// it is reporting page addresses now, and the button that registers the
// bridge for it.
RowLayout {
    id: row

    // {appId, name, firefox, flatpakOnly, registered, live}
    property var browser: ({})

    readonly property string bridgeState: browser.flatpakOnly ? "flatpak"
                                  : browser.live ? "live"
                                  : browser.registered ? "registered" : "missing"

    Layout.fillWidth: true
    spacing: 10

    Image {
        Layout.preferredWidth: 20
        Layout.preferredHeight: 20
        Layout.alignment: Qt.AlignVCenter
        source: "image://appicon/" + encodeURIComponent(row.browser.appId) + "?size=40"
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2

        Text {
            Layout.fillWidth: true
            text: row.browser.name
            font.pixelSize: Theme.bodySize
            color: Theme.primary
        }
        Row {
            Layout.fillWidth: true
            spacing: 4
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                visible: row.bridgeState === "live"
                name: "checkmark.circle.fill"
                size: Theme.captionSize + 1
                color: Theme.green
            }
            Text {
                objectName: "status"
                anchors.verticalCenter: parent.verticalCenter
                text: {
                    switch (row.bridgeState) {
                    case "flatpak": return "Flatpak 版无法启动桥接程序，请安装发行版自带的版本"
                    case "live": return "已连接，正在提供网址"
                    case "registered": return "已登记，未连接：打开浏览器并加载岚枢扩展"
                    default: return "未登记桥接程序"
                    }
                }
                font.pixelSize: Theme.captionSize + 1
                color: row.bridgeState === "live" ? Theme.green : Theme.secondary
            }
        }
    }
    FormButton {
        objectName: "registerButton"
        visible: !row.browser.flatpakOnly
        text: row.browser.registered ? "重新登记" : "登记"
        onClicked: General.registerBrowser(row.browser.appId)
    }
}
