// The quick-add sentence: coloured as typed (the model's spans, painted by its highlighter), the
// draft read from it below, Enter writes it.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Rectangle {
    id: field
    property bool focusAtStart: false
    implicitHeight: column.implicitHeight + 16
    color: "#2b2238"

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 8
        spacing: 4

        TextArea {
            id: sentence
            objectName: "quickAddInput"
            Layout.fillWidth: true
            // A long placeholder must not widen the field past the window.
            Layout.maximumWidth: column.width
            wrapMode: TextEdit.NoWrap
            font.pixelSize: 18
            color: "#f4efe3"
            placeholderText: Texts.get("desktop.quickAdd.placeholder")
            placeholderTextColor: "#9a8fb0"
            background: Rectangle { color: "#3b3050"; radius: 4 }
            focus: field.focusAtStart
            Component.onCompleted: {
                QuickAdd.highlight(sentence.textDocument)
                if (field.focusAtStart) sentence.forceActiveFocus()
            }
            onTextChanged: QuickAdd.text = text
            Keys.onReturnPressed: (event) => { QuickAdd.submit(); event.accepted = true }
            Keys.onEnterPressed: (event) => { QuickAdd.submit(); event.accepted = true }
            Connections {
                target: QuickAdd
                function onTextChanged() {
                    if (sentence.text !== QuickAdd.text) sentence.text = QuickAdd.text
                }
            }
        }

        Flow {
            objectName: "quickAddDraft"
            Layout.fillWidth: true
            spacing: 12
            Repeater {
                model: QuickAdd.draft
                Text {
                    objectName: "draftRow"
                    color: "#e8dfc8"
                    font.pixelSize: 13
                    text: "<b>" + modelData.label + "</b> " + modelData.value
                    textFormat: Text.StyledText
                }
            }
        }

        Text {
            objectName: "quickAddOutcome"
            Layout.fillWidth: true
            visible: text.length > 0
            color: "#c9f0c0"
            font.pixelSize: 12
            text: QuickAdd.outcome
        }

        Text {
            Layout.fillWidth: true
            visible: QuickAdd.writable
            color: "#9a8fb0"
            font.pixelSize: 11
            text: Texts.get("desktop.quickAdd.enter")
        }
    }
}
