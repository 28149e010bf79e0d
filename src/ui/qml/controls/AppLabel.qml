import QtQuick
import Norvane 1.0

// An application's icon and name; without an application the fallback icon
// and the placeholder.
Row {
    id: root

    property string appId
    property string placeholder: "选择应用"

    spacing: 6

    Image {
        anchors.verticalCenter: parent.verticalCenter
        width: 18
        height: 18
        source: "image://appicon/" + encodeURIComponent(root.appId) + "?size=32"
        fillMode: Image.PreserveAspectFit
        smooth: true
    }
    Text {
        objectName: "name"
        anchors.verticalCenter: parent.verticalCenter
        text: root.appId !== "" ? AppState.appName(root.appId) : root.placeholder
        font.pixelSize: Theme.bodySize
        color: root.appId !== "" ? Theme.primary : Theme.secondary
    }
}
