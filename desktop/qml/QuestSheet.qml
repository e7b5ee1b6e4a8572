// One quest in full, opened from its card: when, where, its numbers and how they were reached,
// its story and its choices.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Popup {
    id: sheet
    readonly property var quest: Week.sheet
    visible: quest.heading !== undefined
    onClosed: Week.closeSheet()
    modal: false
    parent: Overlay.overlay
    anchors.centerIn: Overlay.overlay
    width: Math.min(640, Overlay.overlay.width - 40)
    height: Math.min(620, Overlay.overlay.height - 60)
    padding: 14
    background: Rectangle { color: "#faf6ec"; border.color: "#2b2238"; radius: 8 }

    ScrollView {
        anchors.fill: parent
        clip: true
        ColumnLayout {
            width: sheet.width - 2 * sheet.padding - 12
            spacing: 6
            Text {
                objectName: "sheetHeading"
                Layout.fillWidth: true
                wrapMode: Text.WordWrap
                font.pixelSize: 20
                font.bold: true
                text: sheet.quest.heading || ""
            }
            Text { Layout.fillWidth: true; wrapMode: Text.WordWrap; font.italic: true; text: "« " + (sheet.quest.rawTitle || "") + " »" }
            Text { Layout.fillWidth: true; wrapMode: Text.WordWrap; text: sheet.quest.when || "" }
            Text { Layout.fillWidth: true; wrapMode: Text.WordWrap; visible: text.length > 0; text: sheet.quest.place || "" }
            Text { objectName: "sheetNumbers"; Layout.fillWidth: true; wrapMode: Text.WordWrap; text: sheet.quest.numbers || "" }
            Text { Layout.fillWidth: true; wrapMode: Text.WordWrap; visible: text.length > 0; text: sheet.quest.biome || "" }
            Text { text: Texts.get("desktop.sheet.story"); font.bold: true }
            Text { objectName: "sheetIntro"; Layout.fillWidth: true; wrapMode: Text.WordWrap; text: sheet.quest.intro || "" }
            Text { text: Texts.get("desktop.sheet.breakdown"); font.bold: true; visible: (sheet.quest.breakdown || "").length > 0 }
            Text {
                objectName: "sheetBreakdown"
                Layout.fillWidth: true
                wrapMode: Text.WordWrap
                visible: text.length > 0
                text: (sheet.quest.breakdown || "").trim()
            }
            Text { text: Texts.get("desktop.sheet.choices"); font.bold: true }
            Repeater {
                model: sheet.quest.choices || []
                Column {
                    objectName: "sheetChoice"
                    Layout.fillWidth: true
                    spacing: 1
                    Text { width: parent.width; wrapMode: Text.WordWrap; text: (index + 1) + ". " + modelData.label }
                    Text { width: parent.width; wrapMode: Text.WordWrap; color: "#4a3b63"; text: modelData.effects }
                    Text { width: parent.width; wrapMode: Text.WordWrap; color: "#4a3b63"; visible: text.length > 0; text: modelData.realQuest }
                }
            }
            Button {
                objectName: "sheetClose"
                text: Texts.get("desktop.sheet.close")
                onClicked: sheet.close()
            }
        }
    }
}
