import QtQuick
import QtQuick.Window
import Norvane 1.0
import "../controls"
import "../pages"

// The welcome window shown while input access is missing.
Window {
    id: window
    title: "岚枢"
    flags: Qt.Dialog
    width: view.implicitWidth
    height: view.implicitHeight
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    color: Theme.windowBackground
    visible: false

    OnboardingView {
        id: view
        anchors.fill: parent
        onDone: Windows.onboardingDone()
    }
}
