import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// A tool row of the sidebar: a symbol and a title.
ItemDelegate {
    id: row
    property string symbol
    property bool selected: false
    implicitHeight: 32
    leftPadding: 14
    topPadding: 0
    bottomPadding: 0

    background: Rectangle {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        radius: 6
        color: row.selected ? Theme.alpha(Theme.accent, 0.2) : (row.hovered ? Theme.alpha(Theme.text, 0.06) : "transparent")
    }

    contentItem: RowLayout {
        spacing: 8
        Text {
            text: Symbols.glyph(row.symbol)
            font.family: Symbols.family
            font.pixelSize: 16
            color: Theme.accent
        }
        Label {
            Layout.fillWidth: true
            text: row.text
            elide: Text.ElideRight
        }
    }
}
