import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// Where a group applies: all applications, only some, or all but some, and
// in `only` mode optionally only on web pages whose address contains a
// keyword. Switching the mode keeps the applications and keywords.
Card {
    id: card

    // The text being typed in the keyword field.
    property alias newURL: keywordField.text

    // A keyword half typed belongs to the group it was typed for.
    readonly property string groupId: GroupEditor.groupId
    onGroupIdChanged: keywordField.text = ""

    // The example in the help line is written like a filled-in keyword.
    readonly property string exampleKeyword: "docs.example.com/document"

    RowLayout {
        Layout.fillWidth: true
        CardTitle {
            title: "生效范围"
            symbol: "scope"
        }
        Item { Layout.fillWidth: true }
        SegmentedControl {
            objectName: "modePicker"
            value: GroupEditor.mode
            segments: [
                { value: "all", text: "所有应用" },
                { value: "only", text: "仅以下应用" },
                { value: "except", text: "除以下应用" }
            ]
            onActivated: value => GroupEditor.setMode(value)
        }
    }

    Text {
        objectName: "allText"
        visible: GroupEditor.mode === "all"
        text: "在任何应用里都生效。"
        font.pixelSize: Theme.calloutSize
        color: Theme.secondary
    }

    FlowRow {
        objectName: "appRow"
        Layout.fillWidth: true
        visible: GroupEditor.mode !== "all"

        Repeater {
            model: GroupEditor.apps
            delegate: Chip {
                id: appChip
                required property var modelData
                objectName: "appChip_" + modelData.id
                text: modelData.name
                leading: Item {
                    implicitWidth: 16
                    implicitHeight: 16
                    Image {
                        anchors.fill: parent
                        sourceSize: Qt.size(32, 32)
                        source: "image://appicon/" + encodeURIComponent(appChip.modelData.id) + "?size=32"
                    }
                }
                onRemoved: GroupEditor.removeApp(modelData.id)
            }
        }
        AppPickerMenu {
            objectName: "addAppButton"
            exclude: GroupEditor.appIds
            onPicked: id => GroupEditor.addApp(id)

            Item {
                implicitWidth: addLabel.implicitWidth + 20
                implicitHeight: addLabel.implicitHeight + 8
                DashedBorder {
                    anchors.fill: parent
                    radius: height / 2
                    color: Theme.alpha(Theme.accent, 0.5)
                    dashed: true
                    pattern: [3, 2]
                }
                Row {
                    id: addLabel
                    anchors.centerIn: parent
                    spacing: 4
                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "plus"
                        size: Theme.calloutSize
                        color: Theme.accent
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: "添加应用"
                        font.pixelSize: Theme.calloutSize
                        color: Theme.accent
                    }
                }
            }
        }
    }

    Row {
        objectName: "onlyWarning"
        visible: GroupEditor.mode === "only" && GroupEditor.apps.length === 0
        spacing: 4
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: "info.circle"
            size: Theme.captionSize
            color: Theme.orange
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: "还没有添加应用，这组规则暂时不会生效"
            font.pixelSize: Theme.captionSize
            color: Theme.orange
        }
    }

    Rectangle {
        Layout.fillWidth: true
        visible: GroupEditor.mode === "only"
        implicitHeight: 1
        color: Theme.separator
    }

    ColumnLayout {
        objectName: "urlSection"
        Layout.fillWidth: true
        visible: GroupEditor.mode === "only"
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            Text {
                text: "网页条件"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.primary
            }
            Text {
                text: "可选 · 只对浏览器有效"
                font.pixelSize: Theme.captionSize
                color: Theme.secondary
            }
            Item { Layout.fillWidth: true }
            ToolButton {
                objectName: "fillButton"
                flat: true
                background: Rectangle {
                    radius: 6
                    color: Theme.alpha(Theme.accent, parent.down ? 0.16 : 0.08)
                    visible: parent.hovered || parent.down
                }
                contentItem: Row {
                    spacing: 4
                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "link.badge.plus"
                        color: Theme.accent
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: "填入当前网页"
                        font.pixelSize: Theme.bodySize
                        color: Theme.accent
                    }
                }
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: "读取刚才浏览器里打开的网页地址"
                onClicked: GroupEditor.fillFromBrowser()
            }
        }

        FlowRow {
            objectName: "keywordRow"
            Layout.fillWidth: true

            Repeater {
                model: GroupEditor.urls
                delegate: Chip {
                    required property string modelData
                    objectName: "keywordChip"
                    text: modelData
                    leading: SymbolIcon {
                        name: "globe"
                        color: Theme.secondary
                    }
                    onRemoved: GroupEditor.removeKeyword(modelData)
                }
            }
            TextField {
                id: keywordField
                objectName: "keywordField"
                width: 210
                topPadding: 4
                bottomPadding: 4
                leftPadding: 2
                rightPadding: 2
                background: null
                placeholderText: "输入网址关键词，回车添加"
                placeholderTextColor: Theme.tertiary
                font.pixelSize: Theme.bodySize
                color: Theme.primary
                selectByMouse: true
                onAccepted: {
                    if (GroupEditor.addKeyword(text))
                        text = ""
                }
            }
        }

        Text {
            objectName: "helpLine"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            font.pixelSize: Theme.captionSize
            color: GroupEditor.hint !== "" ? Theme.orange : Theme.secondary
            text: GroupEditor.hint !== "" ? GroupEditor.hint
                  : "当前网页地址包含任一关键词时才生效，例如 " + card.exampleKeyword + "；不填则不限网页。"
        }
    }
}
