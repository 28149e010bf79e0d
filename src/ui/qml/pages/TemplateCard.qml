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
        RowLayout {
            Layout.fillWidth: true
            IconTile {
                symbol: card.template.symbol
                colors: card.template.colors
                size: 34
            }
            Item { Layout.fillWidth: true }
            // The first rule the template adds, drawn a little smaller.
            Row {
                id: preview
                objectName: "preview"
                readonly property var info: card.template.preview || ({})
                visible: info.trigger !== undefined
                spacing: 5
                scale: 0.9
                transformOrigin: Item.Right

                TriggerView {
                    anchors.verticalCenter: parent.verticalCenter
                    trigger: preview.info.trigger || null
                }
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "arrow.right"
                    size: 9
                    font.bold: true
                    color: Theme.tertiary
                }
                ComboView {
                    anchors.verticalCenter: parent.verticalCenter
                    visible: preview.info.keys !== undefined
                    symbols: preview.info.keys ? preview.info.keys.symbols : []
                }
                Text {
                    objectName: "previewSummary"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: preview.info.summary !== undefined
                    text: preview.info.summary || ""
                    font.pixelSize: Theme.captionSize
                    color: Theme.secondary
                }
            }
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
