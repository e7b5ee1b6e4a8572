// The stores' status lines and the errors met since, newest first: never a dialog.
import QtQuick
import QtQuick.Layouts

Rectangle {
    implicitHeight: lines.implicitHeight + 8
    color: "#2b2238"

    ColumnLayout {
        id: lines
        anchors.fill: parent
        anchors.margins: 4
        spacing: 2
        Text {
            objectName: "statusLines"
            Layout.fillWidth: true
            color: "#e8dfc8"
            font.pixelSize: 12
            elide: Text.ElideRight
            text: Status.lines.length > 0 ? Status.lines.join("  ·  ")
                                          : Texts.get("desktop.status.fine")
        }
        Repeater {
            model: Status.errors
            Text {
                objectName: "statusError"
                Layout.fillWidth: true
                color: "#ff9a8a"
                font.pixelSize: 12
                elide: Text.ElideRight
                text: modelData
            }
        }
    }
}
