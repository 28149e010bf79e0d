import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// General settings.
Flickable {
    id: page
    contentHeight: column.implicitHeight + 48
    clip: true

    ColumnLayout {
        id: column
        x: 28
        y: 24
        width: page.width - 56
        spacing: 18
        PageHeader {
            title: "通用设置"
            subtitle: ""
        }
        Label {
            visible: AppState.loadError !== "" || AppState.saveError !== ""
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            color: "#d93025"
            text: AppState.loadError !== "" ? AppState.loadError : AppState.saveError
        }
    }
}
