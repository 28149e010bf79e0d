import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Norvane 1.0
import "../controls"

// Sidebar and detail area side by side; the detail follows the selection.
Item {
    id: root

    SplitView {
        anchors.fill: parent
        orientation: Qt.Horizontal
        handle: Rectangle {
            implicitWidth: 1
            color: Theme.separator
        }

        Sidebar {
            SplitView.preferredWidth: 240
            SplitView.minimumWidth: 220
            SplitView.maximumWidth: 320
        }

        Rectangle {
            SplitView.minimumWidth: 600
            SplitView.fillWidth: true
            color: Theme.windowBackground

            Loader {
                id: detail
                anchors.fill: parent
                sourceComponent: {
                    switch (AppState.detailPage) {
                    case "group": return groupPage
                    case "activity": return activityPage
                    case "general": return generalPage
                    default: return emptyDetail
                    }
                }
            }
        }
    }

    // Another group gets a fresh page: whatever was half typed on the last
    // one is dropped.
    property string shownGroup: AppState.selectedGroupId
    onShownGroupChanged: {
        if (AppState.detailPage === "group") {
            detail.active = false
            detail.active = true
        }
    }

    Component { id: groupPage; GroupPage { groupId: AppState.selectedGroupId } }
    Component { id: activityPage; ActivityPage {} }
    Component { id: generalPage; GeneralPage {} }
    Component { id: emptyDetail; EmptyDetail {} }

    TemplateSheet {
        id: sheet
    }
    Connections {
        target: AppState
        function onShowTemplatesChanged() {
            if (AppState.showTemplates)
                sheet.open()
            else
                sheet.close()
        }
    }
    Component.onCompleted: if (AppState.showTemplates) sheet.open()

    PermissionHelpSheet { id: permissionHelp }
    Connections {
        target: AppState
        function onPermissionHelpChanged() {
            if (AppState.permissionHelp !== "" && !AppState.accessGranted && root.Window.window
                    && root.Window.window.active)
                permissionHelp.open()
        }
        function onAccessGrantedChanged() {
            if (AppState.accessGranted)
                permissionHelp.close()
        }
    }
}
