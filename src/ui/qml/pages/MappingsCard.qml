import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// A group's mappings, one editable row each, and the button that adds one
// and starts recording its trigger at once.
//
// A group may hold a thousand mappings, so only the rows near the visible
// part of the page are made: the list takes the height of all its rows in
// the page, but its view is only as tall as the page's viewport and follows
// it while the page scrolls.
Card {
    id: card

    property string groupId
    // The page that scrolls the card; the nearest scrolling ancestor unless
    // given.
    property Flickable flickable: null

    readonly property int rowHeight: 52
    readonly property alias rows: list
    readonly property int count: Mappings.mappings.count
    // Height changes animate only once the card shows its first rows.
    property bool animated: false

    onGroupIdChanged: Mappings.groupId = groupId
    Component.onCompleted: {
        Mappings.groupId = groupId
        if (!flickable)
            flickable = scrollingAncestor()
        Qt.callLater(() => { card.animated = true; card.followPage() })
    }

    function scrollingAncestor() {
        for (let p = card.parent; p; p = p.parent) {
            if (p.contentItem !== undefined && p.contentY !== undefined && p.flickableDirection !== undefined)
                return p
        }
        return null
    }

    // Places the list's view over the part of its rows the page shows.
    function followPage() {
        let top = 0
        let height = listArea.height
        if (flickable) {
            const areaTop = listArea.mapToItem(flickable.contentItem, 0, 0).y
            height = Math.min(listArea.height, flickable.height)
            top = Math.max(0, Math.min(flickable.contentY - areaTop, listArea.height - height))
        }
        list.y = top
        list.height = height
        list.contentY = list.originY + top
    }

    // Scrolls the page so that the row is in view.
    function reveal(index) {
        if (!flickable)
            return
        const rowTop = listArea.mapToItem(flickable.contentItem, 0, index * rowHeight).y
        const rowBottom = rowTop + rowHeight
        if (rowBottom > flickable.contentY + flickable.height)
            flickable.contentY = Math.min(rowBottom + 60 - flickable.height,
                                          Math.max(0, flickable.contentHeight - flickable.height))
        else if (rowTop < flickable.contentY)
            flickable.contentY = rowTop
    }

    function add() {
        Mappings.add()
        reveal(count - 1)
    }

    Connections {
        target: card.flickable
        function onContentYChanged() { card.followPage() }
        function onHeightChanged() { card.followPage() }
        function onContentHeightChanged() { card.followPage() }
    }

    RowLayout {
        Layout.fillWidth: true

        CardTitle {
            title: "按键映射"
            symbol: "arrow.triangle.swap"
        }
        Item { Layout.fillWidth: true }
        Text {
            text: "按下左边 → 执行右边"
            font.pixelSize: Theme.captionSize
            color: Theme.secondary
        }
    }

    Text {
        objectName: "emptyText"
        visible: card.count === 0
        Layout.fillWidth: true
        Layout.topMargin: 12
        Layout.bottomMargin: 12
        horizontalAlignment: Text.AlignHCenter
        text: "还没有映射，点下面的按钮添加一条。"
        font.pixelSize: Theme.calloutSize
        color: Theme.secondary
    }

    Item {
        id: listArea
        objectName: "listArea"
        visible: card.count > 0
        Layout.fillWidth: true
        Layout.preferredHeight: card.count * card.rowHeight
        Behavior on Layout.preferredHeight {
            enabled: card.animated
            NumberAnimation { duration: 150; easing.type: Easing.OutCubic }
        }
        onHeightChanged: card.followPage()

        ListView {
            id: list
            objectName: "mappingRows"
            width: parent.width
            interactive: false
            clip: false
            currentIndex: -1
            highlightFollowsCurrentItem: false
            cacheBuffer: 2 * card.rowHeight * 4
            boundsBehavior: Flickable.StopAtBounds
            model: Mappings.mappings
            onOriginYChanged: card.followPage()

            delegate: MappingRow {
                width: ListView.view.width
                height: card.rowHeight
            }

            add: Transition {
                NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150; easing.type: Easing.OutCubic }
            }
            remove: Transition {
                NumberAnimation { property: "opacity"; to: 0; duration: 150; easing.type: Easing.OutCubic }
            }
            displaced: Transition {
                NumberAnimation { property: "y"; duration: 150; easing.type: Easing.OutCubic }
            }
        }
    }

    AbstractButton {
        id: addButton
        objectName: "addButton"
        padding: 2
        text: "添加映射"
        font.pixelSize: 13
        font.weight: Font.Medium
        contentItem: Row {
            spacing: 5
            opacity: addButton.down ? 0.6 : 1

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "plus.circle.fill"
                size: 13
                color: Theme.accent
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: addButton.text
                font: addButton.font
                color: Theme.accent
            }
        }
        onClicked: card.add()
    }
}
