import QtQuick

// A card's title line: the symbol in the accent colour, then the title.
Row {
    id: root

    property string title
    property string symbol

    spacing: 6

    SymbolIcon {
        anchors.verticalCenter: parent.verticalCenter
        name: root.symbol
        size: 13
        color: Theme.accent
    }
    Text {
        anchors.verticalCenter: parent.verticalCenter
        text: root.title
        font.pixelSize: 13
        font.weight: Font.DemiBold
        color: Theme.primary
    }
}
