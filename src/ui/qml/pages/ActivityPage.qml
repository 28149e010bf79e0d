import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// The key probe and the recent hits.
Flickable {
    id: page
    contentHeight: column.implicitHeight + 48
    clip: true

    ColumnLayout {
        id: column
        x: 28
        y: 24
        width: page.width - 56
        spacing: 18
        PageHeader {
            title: "按键检测"
            subtitle: "在任意应用里按下快捷键或鼠标键，这里会显示识别结果，以及有没有触发规则。"
        }
    }
}
