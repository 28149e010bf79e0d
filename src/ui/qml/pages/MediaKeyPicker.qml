import QtQuick
import QtQuick.Controls.Basic
import Norvane 1.0
import "../controls"

// A drop-down of the media keys, each with its symbol, as wide as its
// longest title. chosen(key) follows a choice with the key's raw value.
ComboBox {
    id: picker

    property string mediaKey

    signal chosen(string key)

    model: Mappings.mediaKeys
    textRole: "title"
    valueRole: "id"
    currentIndex: Math.max(0, indexOfValue(mediaKey))
    leftPadding: 8
    rightPadding: 8 + (indicator ? indicator.width : 0)
    topPadding: 4
    bottomPadding: 4
    font.pixelSize: Theme.bodySize
    onActivated: picker.chosen(currentValue)

    readonly property string currentSymbol: currentIndex >= 0 && currentIndex < model.length
                                            ? model[currentIndex].symbol : ""

    // The widest of the titles, measured once.
    property real titleWidth: 0
    Component.onCompleted: {
        const metrics = Qt.createQmlObject("import QtQuick; TextMetrics {}", picker)
        metrics.font = picker.font
        for (let i = 0; i < model.length; ++i) {
            metrics.text = model[i].title
            titleWidth = Math.max(titleWidth, Math.ceil(metrics.advanceWidth))
        }
        metrics.destroy()
    }

    implicitContentWidthPolicy: ComboBox.ContentItemImplicitWidth
    contentItem: Item {
        implicitWidth: 16 + 6 + picker.titleWidth
        implicitHeight: shown.implicitHeight

        Row {
            id: shown
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                width: 16
                horizontalAlignment: Text.AlignHCenter
                name: picker.currentSymbol
                color: Theme.primary
            }
            Text {
                objectName: "mediaTitle"
                anchors.verticalCenter: parent.verticalCenter
                text: picker.displayText
                font: picker.font
                color: Theme.primary
            }
        }
    }
    background: Rectangle {
        radius: 8
        color: Theme.alpha(Theme.primary, picker.pressed ? 0.09 : 0.05)
    }
    delegate: ItemDelegate {
        id: entry
        required property var modelData
        required property int index
        width: ListView.view ? ListView.view.width : implicitWidth
        highlighted: picker.highlightedIndex === index
        contentItem: Row {
            spacing: 8
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: entry.modelData.symbol
                color: Theme.primary
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: entry.modelData.title
                font.pixelSize: Theme.bodySize
                color: Theme.primary
            }
        }
    }
}
