import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// Explains input access, asks for it and follows its state live: once the
// access arrives the card, the hint and the bottom button change by
// themselves.
Item {
    id: view
    signal done()
    readonly property bool granted: AppState.accessGranted
    implicitWidth: 540
    implicitHeight: column.implicitHeight + 34 + 30

    Keys.onReturnPressed: if (view.granted) view.done()
    Keys.onEnterPressed: if (view.granted) view.done()
    focus: true

    ColumnLayout {
        id: column
        x: 40
        y: 34
        width: view.width - 80
        spacing: 22

        IconTile {
            Layout.alignment: Qt.AlignHCenter
            symbol: "command"
            colors: [Qt.rgba(0.45, 0.47, 1.0, 1), Qt.rgba(0.36, 0.3, 0.9, 1)]
            size: 104
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8
            Label {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: "欢迎使用岚枢"
                font.pixelSize: 28
                font.bold: true
            }
            Label {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: "按应用、按网页，把快捷键和鼠标键变成你想要的样子"
                color: Theme.secondary
            }
        }

        Card {
            Layout.fillWidth: true
            RowLayout {
                width: parent.width
                spacing: 14
                Text {
                    Layout.alignment: Qt.AlignTop
                    text: Symbols.glyph(view.granted ? "checkmark.circle.fill" : "hand.raised.circle.fill")
                    font.family: Symbols.family
                    font.pixelSize: 30
                    color: view.granted ? "#34c759" : "#ff9500"
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 4
                    Label {
                        text: "开启输入设备权限"
                        font.pixelSize: 14
                        font.weight: Font.DemiBold
                    }
                    Label {
                        Layout.fillWidth: true
                        text: "岚枢需要读取键盘和鼠标、并通过一个虚拟键盘改写按键。所有处理都在本机完成，不联网，也不记录你输入的内容。"
                        font.pixelSize: 12
                        color: Theme.secondary
                        wrapMode: Text.Wrap
                    }
                }
                Label {
                    visible: view.granted
                    text: "已开启"
                    font.pixelSize: 12
                    font.weight: Font.Medium
                    color: "#34c759"
                }
                Button {
                    objectName: "requestAccessButton"
                    visible: !view.granted
                    text: "去开启"
                    highlighted: true
                    onClicked: AppState.requestAccess()
                }
            }
        }

        TextEdit {
            // The commands to run by hand when the system could not ask.
            Layout.fillWidth: true
            visible: !view.granted && AppState.permissionHelp !== ""
            text: AppState.permissionHelp
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            font.family: "monospace"
            font.pixelSize: 11
            color: Theme.text
        }

        Label {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            font.pixelSize: 11
            color: Theme.secondary
            text: view.granted ? "一切就绪。进去之后可以从模板开始，也可以自己新建规则。"
                               : "授权需要管理员密码；授权完成后，这里会自动变成已开启。"
        }

        Button {
            Layout.alignment: Qt.AlignHCenter
            objectName: "doneButton"
            text: view.granted ? "开始使用" : "稍后再说"
            highlighted: view.granted
            flat: !view.granted
            implicitWidth: view.granted ? 150 + leftPadding + rightPadding : implicitContentWidth + leftPadding + rightPadding
            onClicked: view.done()
        }
    }
}
