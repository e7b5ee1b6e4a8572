// The week as quest cards, one column a day; a card opens its quest sheet.
import QtQuick
import QtQuick.Controls

ListView {
    id: days
    orientation: ListView.Horizontal
    spacing: 6
    clip: true
    model: Week

    delegate: Rectangle {
        id: column
        objectName: "day_" + model.dayKey
        readonly property string key: model.dayKey
        readonly property var dayCards: model.cards
        width: Math.max(160, (days.width - 6 * days.spacing) / 7)
        height: days.height
        color: model.isToday ? "#ece0c2" : "#faf6ec"
        border.color: "#d8ccb0"
        radius: 6

        Text {
            id: heading
            objectName: "dayHeading"
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: 6
            font.bold: true
            elide: Text.ElideRight
            text: model.heading
        }

        ListView {
            anchors.top: heading.bottom
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: 6
            spacing: 6
            clip: true
            model: column.dayCards
            delegate: Rectangle {
                objectName: "questCard_" + modelData.questID
                width: ListView.view.width
                height: cardText.implicitHeight + 12
                radius: 5
                color: "#2b2238"
                Column {
                    id: cardText
                    anchors.fill: parent
                    anchors.margins: 6
                    spacing: 2
                    Text {
                        objectName: "questCardTitle"
                        width: parent.width
                        wrapMode: Text.WordWrap
                        color: "#f4efe3"
                        font.bold: true
                        text: modelData.emoji + " " + modelData.title
                    }
                    Text {
                        visible: modelData.subtitle.length > 0
                        width: parent.width
                        wrapMode: Text.WordWrap
                        color: "#c8bfd8"
                        font.pixelSize: 11
                        text: modelData.subtitle
                    }
                    Text {
                        color: "#e8dfc8"
                        font.pixelSize: 11
                        text: (modelData.allDay ? Texts.get("desktop.week.allDay")
                                                : modelData.start + "–" + modelData.end)
                              + " · " + modelData.xp + " XP"
                    }
                    Row {
                        spacing: 4
                        Image {
                            objectName: "threatBadge"
                            source: "image://art/threat/"
                                    + Math.max(1, Math.min(5, modelData.threatTier))
                            sourceSize: Qt.size(16, 16)
                            smooth: false
                        }
                        Text {
                            color: "#e8dfc8"
                            font.pixelSize: 11
                            text: modelData.threat + " (" + modelData.threatTier + ")"
                        }
                    }
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: Week.select(modelData.questID, column.key)
                }
            }
        }

        Text {
            anchors.centerIn: parent
            visible: column.dayCards.length === 0
            color: "#8a7f68"
            font.italic: true
            text: Texts.get("desktop.week.noQuest")
        }
    }
}
