import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// One template of the gallery; the whole card is the button.
AbstractButton {
    id: card
    property var template
    hoverEnabled: true
    implicitHeight: content.implicitHeight + 32
    scale: hovered ? 1.01 : 1.0
    Behavior on scale { NumberAnimation { duration: 120; easing.type: Easing.OutCubic } }

    background: Rectangle {
        radius: 14
        color: Theme.controlBackground
        border.width: card.hovered ? 1.5 : 0.5
        border.color: card.hovered ? Theme.accent : Qt.rgba(Theme.text.r, Theme.text.g, Theme.text.b, 0.08)
    }
    contentItem: Item {}

    ColumnLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 16
        spacing: 10
        IconTile {
            symbol: card.template.symbol
            colors: card.template.colors
            size: 34
        }
        Label {
            text: card.template.title
            font.pixelSize: 14
            font.weight: Font.DemiBold
        }
        Label {
            Layout.fillWidth: true
            text: card.template.subtitle
            color: Theme.secondary
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            Layout.preferredHeight: fontMetrics.height * 2
            FontMetrics { id: fontMetrics }
        }
    }
}
