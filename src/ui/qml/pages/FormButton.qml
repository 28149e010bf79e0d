import QtQuick
import QtQuick.Controls.Basic
import "../controls"

// A compact push button for the rows of a settings form.
Button {
    id: button

    font.pixelSize: Theme.calloutSize
    topPadding: 5
    bottomPadding: 5
    leftPadding: 12
    rightPadding: 12

    contentItem: Text {
        text: button.text
        font: button.font
        color: button.enabled ? Theme.primary : Theme.tertiary
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 6
        color: Theme.alpha(Theme.primary, button.down ? 0.14 : button.hovered ? 0.09 : 0.05)
        border.width: 0.5
        border.color: Theme.alpha(Theme.primary, 0.12)
    }
}
