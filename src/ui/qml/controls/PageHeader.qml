import QtQuick

// A page's title in large bold type with a line of explanation below it.
Column {
    id: root

    property string title
    property string subtitle

    spacing: 4

    Text {
        text: root.title
        font.pixelSize: 24
        font.weight: Font.Bold
        color: Theme.primary
    }
    Text {
        visible: text !== ""
        text: root.subtitle
        font.pixelSize: Theme.bodySize
        color: Theme.secondary
    }
}
