import QtQuick

// A trigger as keycaps: its combination for a key trigger; for a mouse
// trigger one keycap with the mouse symbol and the button's name. `trigger`
// is the map AppState.triggerInfo() gives.
Item {
    id: root

    property var trigger: null
    property bool large: false

    readonly property bool mouse: !!trigger && !!trigger.mouse
    readonly property Item shown: mouse ? mouseCap : combo

    implicitWidth: shown.implicitWidth
    implicitHeight: shown.implicitHeight

    ComboView {
        id: combo
        anchors.verticalCenter: parent.verticalCenter
        visible: !root.mouse
        symbols: root.trigger && root.trigger.symbols ? root.trigger.symbols : []
        large: root.large
    }
    KeycapFrame {
        id: mouseCap
        anchors.verticalCenter: parent.verticalCenter
        visible: root.mouse
        large: root.large

        Row {
            spacing: root.large ? 10 : 5

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "computermouse.fill"
                size: root.large ? 22 : 13
            }
            Text {
                objectName: "buttonName"
                anchors.verticalCenter: parent.verticalCenter
                text: root.mouse ? root.trigger.buttonName : ""
                font.pixelSize: root.large ? 22 : 13
                font.weight: Font.DemiBold
                color: Theme.primary
            }
        }
    }
}
