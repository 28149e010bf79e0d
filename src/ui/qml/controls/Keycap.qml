import QtQuick

// One key of a combination, as a keycap.
KeycapFrame {
    id: root

    property string text

    Text {
        text: root.text
        font.pixelSize: root.large ? 26 : 13
        font.weight: Font.DemiBold
        color: Theme.primary
    }
}
