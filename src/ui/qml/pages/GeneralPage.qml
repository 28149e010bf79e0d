import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// General settings: the application-wide switches, input access, window
// tracking on KDE Plasma and GNOME and the browser bridge, the configuration
// file, and about.
Flickable {
    id: page

    readonly property bool onScreen: Window.window !== null && Window.window.visible

    contentWidth: width
    contentHeight: column.implicitHeight + 56
    clip: true
    ScrollBar.vertical: ScrollBar {}

    Component.onCompleted: General.pageOpened()

    // A browser's bridge comes and goes with the browser.
    Timer {
        interval: 2000
        repeat: true
        running: page.onScreen
        onTriggered: {
            General.refreshBrowsers()
            General.refreshWindowTracking()
        }
    }

    ColumnLayout {
        id: column
        width: Math.min(page.width - 56, 760)
        x: (page.width - width) / 2
        y: 28
        spacing: 18

        PageHeader {
            Layout.fillWidth: true
            title: "通用设置"
        }

        Card {
            objectName: "generalSection"
            CardTitle {
                title: "通用"
                symbol: "gearshape"
            }
            SettingsRow {
                title: "登录时自动启动"
                Switch {
                    objectName: "launchSwitch"
                    checked: General.launchAtLogin
                    onToggled: General.launchAtLogin = checked
                }
            }
            SettingsDivider {}
            SettingsRow {
                title: "触发时显示提示浮窗"
                caption: "媒体控制、发给应用这类看不到效果的动作，会在屏幕下方短暂提示"
                Switch {
                    objectName: "hudSwitch"
                    checked: General.showHUD
                    onToggled: General.showHUD = checked
                }
            }
        }

        Card {
            objectName: "permissionSection"
            CardTitle {
                title: "权限"
                symbol: "lock"
            }
            SettingsRow {
                title: "输入设备权限"
                caption: "读取键盘鼠标、发出改写后的按键必需；需管理员密码开启。开启后本机每位用户都有此权限，其程序在切换用户后仍可能读到他人的按键"
                Row {
                    objectName: "accessGranted"
                    visible: AppState.accessGranted
                    spacing: 4
                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "checkmark.circle.fill"
                        color: Theme.green
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: "已开启"
                        font.pixelSize: Theme.bodySize
                        color: Theme.green
                    }
                }
                FormButton {
                    objectName: "accessButton"
                    visible: !AppState.accessGranted
                    text: "去开启"
                    onClicked: AppState.requestAccess()
                }
            }
            SettingsDivider {
                visible: General.windowTracking.shown
            }
            SettingsRow {
                objectName: "windowTrackingRow"
                visible: General.windowTracking.shown
                title: "窗口跟踪"
                caption: General.windowTracking.caption || ""
                SymbolIcon {
                    visible: General.windowTracking.good === true
                    name: "checkmark.circle.fill"
                    color: Theme.green
                }
                Text {
                    objectName: "windowTrackingState"
                    Layout.maximumWidth: 300
                    wrapMode: Text.Wrap
                    horizontalAlignment: Text.AlignRight
                    text: General.windowTracking.text || ""
                    font.pixelSize: Theme.bodySize
                    color: General.windowTracking.good === true ? Theme.green : Theme.secondary
                }
                FormButton {
                    objectName: "windowTrackingInstall"
                    visible: General.windowTracking.canInstall === true
                    text: "安装"
                    onClicked: General.installWindowTracking()
                }
            }
            SettingsDivider {}
            SettingsRow {
                title: "浏览器网址"
                caption: "按网页生效的规则要读当前网址：为浏览器登记岚枢的桥接程序，再在浏览器里加载岚枢扩展"
            }
            Repeater {
                id: browserRows
                objectName: "browserRows"
                model: General.browsers
                delegate: BrowserRow {
                    required property var modelData
                    browser: modelData
                }
            }
            Text {
                objectName: "noBrowser"
                visible: General.browsers.length === 0
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: "没有找到支持的浏览器（Chrome、Chromium、Edge、Brave、Vivaldi、Firefox）"
                font.pixelSize: Theme.captionSize + 1
                color: Theme.secondary
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8

            Card {
                objectName: "configSection"
                CardTitle {
                    title: "配置"
                    symbol: "doc"
                }
                SettingsRow {
                    title: "配置文件"
                    TextEdit {
                        objectName: "configPath"
                        Layout.maximumWidth: 440
                        text: General.configPath
                        readOnly: true
                        selectByMouse: true
                        wrapMode: TextEdit.WrapAnywhere
                        horizontalAlignment: TextEdit.AlignRight
                        font.family: "monospace"
                        font.pixelSize: Theme.captionSize + 1
                        color: Theme.secondary
                        selectionColor: Theme.accent
                    }
                }
                Flow {
                    Layout.fillWidth: true
                    spacing: 8
                    FormButton {
                        objectName: "revealButton"
                        text: "在文件管理器中显示"
                        onClicked: General.revealConfig()
                    }
                    FormButton {
                        objectName: "importButton"
                        text: "导入…"
                        onClicked: General.chooseImport()
                    }
                    FormButton {
                        objectName: "exportButton"
                        text: "导出…"
                        onClicked: General.chooseExport()
                    }
                    FormButton {
                        objectName: "reloadButton"
                        text: "重新载入"
                        onClicked: General.reload()
                    }
                }
                Text {
                    objectName: "message"
                    visible: text !== ""
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    text: General.message
                    font.pixelSize: Theme.captionSize + 1
                    color: General.messageIsError ? Theme.red : Theme.secondary
                }
                RowLayout {
                    objectName: "outsideEdit"
                    visible: AppState.outsideEditNotice !== ""
                    Layout.fillWidth: true
                    spacing: 8
                    Text {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        text: AppState.outsideEditNotice
                        font.pixelSize: Theme.captionSize + 1
                        color: Theme.orange
                    }
                    FormButton {
                        text: "知道了"
                        onClicked: AppState.clearOutsideEditNotice()
                    }
                }
                Text {
                    objectName: "saveError"
                    visible: text !== ""
                    Layout.fillWidth: true
                    wrapMode: Text.Wrap
                    text: General.saveError
                    font.pixelSize: Theme.captionSize + 1
                    color: Theme.red
                }
            }
            Text {
                Layout.fillWidth: true
                Layout.leftMargin: 4
                wrapMode: Text.Wrap
                text: "改动会自动保存。配置是一个 JSON 文件，可以备份或分享给同事。"
                font.pixelSize: Theme.captionSize + 1
                color: Theme.secondary
            }
        }

        Card {
            objectName: "aboutSection"
            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 4
                Layout.bottomMargin: 4
                spacing: 14

                Image {
                    objectName: "appIcon"
                    visible: General.iconSource !== ""
                    Layout.preferredWidth: 52
                    Layout.preferredHeight: 52
                    source: General.iconSource
                    sourceSize: Qt.size(104, 104)
                    fillMode: Image.PreserveAspectFit
                    smooth: true
                }
                IconTile {
                    objectName: "appTile"
                    visible: General.iconSource === ""
                    size: 52
                    symbol: "command"
                    colors: [Qt.rgba(0.45, 0.47, 1.0, 1), Qt.rgba(0.36, 0.3, 0.9, 1)]
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 3
                    Text {
                        text: "岚枢"
                        font.pixelSize: Theme.headlineSize + 2
                        font.weight: Font.DemiBold
                        color: Theme.primary
                    }
                    Text {
                        objectName: "aboutLine"
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        text: General.aboutLine
                        font.pixelSize: Theme.captionSize + 1
                        color: Theme.secondary
                    }
                    Text {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        text: "所有处理都在本机完成，不联网，不记录你输入的内容。"
                        font.pixelSize: Theme.captionSize + 1
                        color: Theme.secondary
                    }
                }
            }
        }
    }
}
