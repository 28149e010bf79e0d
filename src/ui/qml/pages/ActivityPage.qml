import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// The key probe and the recent hits. While the page is on screen every
// recognised press anywhere is reported to it as the probe.
Flickable {
    id: page

    // On screen: the page exists and its window is shown.
    readonly property bool onScreen: Window.window !== null && Window.window.visible

    contentWidth: width
    contentHeight: column.implicitHeight + 56
    clip: true
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AlwaysOn }

    onOnScreenChanged: Activity.probeActive = onScreen
    Component.onCompleted: Activity.probeActive = onScreen
    Component.onDestruction: Activity.probeActive = false

    ColumnLayout {
        id: column
        width: Math.min(page.width, 880) - 56
        x: (page.width - width) / 2
        y: 28
        spacing: 18

        PageHeader {
            Layout.fillWidth: true
            title: "按键检测"
            subtitle: "在任意应用里按下快捷键或鼠标键，这里会显示识别结果，以及有没有触发规则。"
        }

        Card {
            Item {
                id: probeArea
                objectName: "probeArea"

                // The report on show, and how many reports came in with the
                // insertion transition.
                property Item current: null
                property int insertions: 0

                Layout.fillWidth: true
                Layout.preferredHeight: Math.max(210, waiting.implicitHeight,
                                                 current ? current.implicitHeight : 0)

                function show(animated) {
                    if (current) {
                        current.leave()
                        current = null
                    }
                    if (!Activity.hasProbe) {
                        return
                    }
                    current = probeView.createObject(probeArea, { info: Activity.probe })
                    if (animated) {
                        insertions += 1
                        current.enter()
                    }
                }

                Component.onCompleted: show(false)

                Connections {
                    target: Activity
                    function onProbeChanged() { probeArea.show(true) }
                }

                Column {
                    id: waiting
                    objectName: "waiting"
                    anchors.centerIn: parent
                    visible: !Activity.hasProbe
                    spacing: 10

                    SymbolIcon {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: "keyboard"
                        size: 40
                        font.weight: Font.Light
                        color: Theme.tertiary
                    }
                    Text {
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: "等待按键…"
                        font.pixelSize: Theme.bodySize
                        color: Theme.secondary
                    }
                    Text {
                        objectName: "hint"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: AppState.accessGranted ? "切到任意应用按一下试试" : "需要先开启输入设备权限"
                        font.pixelSize: Theme.captionSize
                        color: Theme.tertiary
                    }
                }
            }
        }

        Card {
            RowLayout {
                Layout.fillWidth: true

                CardTitle {
                    title: "最近触发"
                    symbol: "clock.arrow.circlepath"
                }
                Item { Layout.fillWidth: true }
                AbstractButton {
                    id: clearButton
                    objectName: "clearButton"
                    visible: Activity.recent.count > 0
                    padding: 2
                    text: "清空"
                    font.pixelSize: Theme.captionSize
                    contentItem: Text {
                        text: clearButton.text
                        font: clearButton.font
                        color: clearButton.down ? Theme.secondary : Theme.accent
                    }
                    onClicked: Activity.clearRecent()
                }
            }

            Text {
                objectName: "noRecent"
                visible: Activity.recent.count === 0
                Layout.topMargin: 6
                Layout.bottomMargin: 6
                text: "还没有触发记录。"
                font.pixelSize: Theme.calloutSize
                color: Theme.secondary
            }

            ColumnLayout {
                visible: Activity.recent.count > 0
                Layout.fillWidth: true
                spacing: 0

                Repeater {
                    id: recentRows
                    objectName: "recentRows"
                    model: Activity.recent

                    delegate: ColumnLayout {
                        id: entry

                        required property int index
                        required property var trigger
                        required property string time
                        required property string groupName
                        required property string summary
                        required property string appId
                        required property string appName

                        readonly property bool hasDivider: divider.visible

                        Layout.fillWidth: true
                        spacing: 0

                        RowLayout {
                            Layout.fillWidth: true
                            Layout.topMargin: 6
                            Layout.bottomMargin: 6
                            spacing: 10

                            Text {
                                objectName: "time"
                                Layout.preferredWidth: 58
                                text: entry.time
                                font.pixelSize: Theme.captionSize
                                color: Theme.tertiary
                            }
                            TriggerView {
                                trigger: entry.trigger
                            }
                            SymbolIcon {
                                name: "arrow.right"
                                size: 10
                                font.weight: Font.Bold
                                color: Theme.tertiary
                            }
                            Text {
                                text: entry.summary
                                font.pixelSize: Theme.bodySize
                                color: Theme.primary
                                elide: Text.ElideRight
                                Layout.maximumWidth: implicitWidth
                                Layout.fillWidth: true
                            }
                            Text {
                                text: entry.groupName
                                font.pixelSize: Theme.captionSize
                                color: Theme.secondary
                            }
                            Image {
                                Layout.preferredWidth: 16
                                Layout.preferredHeight: 16
                                source: "image://appicon/" + encodeURIComponent(entry.appId) + "?size=32"
                                fillMode: Image.PreserveAspectFit
                                smooth: true

                                HoverHandler { id: iconHover }
                                ToolTip.visible: iconHover.hovered && entry.appName !== ""
                                ToolTip.text: entry.appName
                            }
                        }
                        Rectangle {
                            id: divider
                            objectName: "divider"
                            visible: entry.index < recentRows.count - 1
                            Layout.fillWidth: true
                            Layout.preferredHeight: 1
                            color: Theme.separator
                            opacity: 0.5
                        }
                    }
                }
            }
        }
    }

    // One probe report. It scales up from 0.92 and fades in when it arrives,
    // and fades out when the next one replaces it.
    Component {
        id: probeView

        Column {
            id: view

            property var info: ({})

            function enter() {
                scale = 0.92
                opacity = 0
                entering.start()
            }
            function leave() {
                entering.stop()
                leaving.start()
            }

            anchors.centerIn: parent
            spacing: 16
            transformOrigin: Item.Center

            TriggerView {
                anchors.horizontalCenter: parent.horizontalCenter
                trigger: view.info.trigger
                large: true
            }
            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 6

                Image {
                    anchors.verticalCenter: parent.verticalCenter
                    width: 18
                    height: 18
                    source: "image://appicon/" + encodeURIComponent(view.info.appId) + "?size=32"
                    fillMode: Image.PreserveAspectFit
                    smooth: true
                }
                Text {
                    objectName: "appName"
                    anchors.verticalCenter: parent.verticalCenter
                    text: view.info.appName
                    font.pixelSize: Theme.calloutSize
                    color: Theme.primary
                }
                Text {
                    objectName: "url"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: view.info.url !== ""
                    width: Math.min(implicitWidth, 360)
                    text: view.info.url
                    elide: Text.ElideMiddle
                    maximumLineCount: 1
                    font.pixelSize: Theme.calloutSize
                    color: Theme.secondary
                }
            }
            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                width: verdict.implicitWidth + 24
                height: verdict.implicitHeight + 12
                radius: height / 2
                color: view.info.matched ? Theme.alpha(Theme.green, 0.12) : Theme.alpha(Theme.primary, 0.05)

                Row {
                    id: verdict
                    anchors.centerIn: parent
                    spacing: 5

                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: view.info.matched ? "checkmark.circle.fill" : "minus.circle"
                        size: view.info.matched ? 13 : Theme.calloutSize
                        color: view.info.matched ? Theme.green : Theme.secondary
                    }
                    Text {
                        objectName: "verdict"
                        anchors.verticalCenter: parent.verticalCenter
                        text: view.info.matched ? "命中：" + view.info.match
                                                : AppState.masterEnabled ? "没有匹配的规则，按键会原样发出"
                                                                         : "岚枢已暂停"
                        font.pixelSize: view.info.matched ? 13 : Theme.calloutSize
                        font.weight: view.info.matched ? Font.DemiBold : Font.Normal
                        color: view.info.matched ? Theme.green : Theme.secondary
                    }
                }
            }

            ParallelAnimation {
                id: entering
                NumberAnimation {
                    target: view; property: "scale"; to: 1
                    duration: 280; easing.type: Easing.OutBack; easing.overshoot: 0.8
                }
                NumberAnimation { target: view; property: "opacity"; to: 1; duration: 200 }
            }
            SequentialAnimation {
                id: leaving
                NumberAnimation { target: view; property: "opacity"; to: 0; duration: 150 }
                ScriptAction { script: view.destroy() }
            }
        }
    }
}
