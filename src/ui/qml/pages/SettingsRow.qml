import QtQuick
import QtQuick.Layouts
import "../controls"

// One labelled row of the settings form: the title, with an explanation in
// small type below it when there is one, on the left; the row's controls on
// the right.
RowLayout {
    id: row

    property string title
    property string caption
    default property alias controls: trailing.data

    Layout.fillWidth: true
    spacing: 12

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2

        Text {
            objectName: "title"
            Layout.fillWidth: true
            text: row.title
            wrapMode: Text.Wrap
            font.pixelSize: Theme.bodySize
            color: Theme.primary
        }
        Text {
            objectName: "caption"
            visible: row.caption !== ""
            Layout.fillWidth: true
            text: row.caption
            wrapMode: Text.Wrap
            font.pixelSize: Theme.captionSize + 1
            color: Theme.secondary
        }
    }
    RowLayout {
        id: trailing
        Layout.alignment: Qt.AlignVCenter | Qt.AlignRight
        spacing: 8
    }
}
