import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// The detail area when nothing (or a group that is gone) is selected.
Item {
    ColumnLayout {
        anchors.centerIn: parent
        spacing: 16

        IconTile {
            Layout.alignment: Qt.AlignHCenter
            symbol: "command"
            colors: [Qt.rgba(0.45, 0.47, 1.0, 1), Qt.rgba(0.36, 0.3, 0.9, 1)]
            size: 64
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            text: "还没有规则"
            font.pixelSize: 22
            font.bold: true
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            text: "从模板开始最快，也可以新建一个空白规则组自己录。"
            color: Theme.secondary
        }
        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            spacing: 10
            Button {
                text: "从模板添加…"
                highlighted: true
                font.pixelSize: 14
                padding: 10
                onClicked: AppState.showTemplates = true
            }
            Button {
                text: "新建空白规则组"
                font.pixelSize: 14
                padding: 10
                onClicked: AppState.addGroup()
            }
        }
    }
}
