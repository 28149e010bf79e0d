import QtQuick
import QtQuick.Layouts
import "../controls"

// A hairline between the rows of a settings card.
Rectangle {
    Layout.fillWidth: true
    Layout.preferredHeight: 1
    color: Theme.separator
    opacity: 0.6
}
