import QtQuick

// A rounded outline drawn inside its bounds, solid or dashed (4 on / 3 off
// unless told otherwise).
Canvas {
    id: root

    property real radius: 0
    property real lineWidth: 1
    property color color: Theme.primary
    property bool dashed: false
    property var pattern: [4, 3]

    onRadiusChanged: requestPaint()
    onLineWidthChanged: requestPaint()
    onColorChanged: requestPaint()
    onDashedChanged: requestPaint()
    onWidthChanged: requestPaint()
    onHeightChanged: requestPaint()

    onPaint: {
        const ctx = getContext("2d")
        ctx.reset()
        const half = lineWidth / 2
        ctx.lineWidth = lineWidth
        ctx.strokeStyle = color
        ctx.setLineDash(dashed ? pattern.map(length => length / lineWidth) : [])
        ctx.beginPath()
        ctx.roundedRect(half, half, width - lineWidth, height - lineWidth, Math.max(0, radius - half), Math.max(0, radius - half))
        ctx.stroke()
    }
}
