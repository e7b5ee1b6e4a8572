// The kingdom: six realm areas with what lies ahead in each and their building, the hero walking
// to the realm of the main quest, a few inhabitants wandering in the realms that have work, and
// beside the map the day's board, the journey and the banners.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Item {
    id: map

    // One colour per realm, in the model's order (family, personal, factions, reminders,
    // tickets, deadlines).
    readonly property var realmColours: ["#e9b872", "#9fc98c", "#c79ad6", "#8fb8de", "#de9f8f", "#d6c56f"]

    RowLayout {
        anchors.fill: parent
        anchors.margins: 8
        spacing: 8

        Item {
            id: land
            Layout.fillWidth: true
            Layout.fillHeight: true

            Grid {
                id: realms
                anchors.fill: parent
                columns: 3
                spacing: 6
                Repeater {
                    id: realmRepeater
                    model: Kingdom
                    Rectangle {
                        id: area
                        objectName: "realm_" + model.realm
                        readonly property int realmCount: model.count
                        readonly property var realmItems: model.items
                        readonly property string realmName: model.realm
                        width: (realms.width - 2 * realms.spacing) / 3
                        height: (realms.height - realms.spacing) / 2
                        radius: 10
                        color: map.realmColours[index % map.realmColours.length]
                        border.color: Kingdom.heroRealm === index ? "#3b2a14" : "transparent"
                        border.width: 3

                        // The realm's ground, drawn pixel by pixel and tiled under its texts.
                        Image {
                            objectName: "realmTile_" + model.realm
                            anchors.fill: parent
                            anchors.margins: 3
                            source: "image://art/realm/" + model.realm + "/" + index
                            sourceSize: Qt.size(48, 48)
                            fillMode: Image.Tile
                            smooth: false
                            opacity: 0.55
                        }

                        Column {
                            anchors.fill: parent
                            anchors.margins: 8
                            spacing: 3
                            Text {
                                objectName: "realmName_" + model.realm
                                text: model.name + " (" + model.count + ")"
                                font.pixelSize: 16
                                font.bold: true
                                color: "#2b2238"
                            }
                            Text {
                                objectName: "realmBuilding_" + model.realm
                                text: Texts.format("desktop.kingdom.building", [String(model.buildingStage)])
                                font.pixelSize: 11
                                color: "#3b3050"
                            }
                            Repeater {
                                model: area.realmItems
                                Text {
                                    objectName: "realmItem"
                                    width: area.width - 16
                                    elide: Text.ElideRight
                                    font.pixelSize: 12
                                    color: modelData.overdue ? "#8a1c1c" : "#2b2238"
                                    text: (modelData.when.length > 0 ? modelData.when + "  " : "")
                                          + modelData.title + (modelData.pinned ? " 📌" : "")
                                }
                            }
                            Text {
                                visible: area.realmCount > area.realmItems.length
                                font.pixelSize: 11
                                color: "#3b3050"
                                text: Texts.format("desktop.kingdom.more", [String(area.realmCount - area.realmItems.length)])
                            }
                            Text {
                                visible: area.realmCount === 0
                                font.pixelSize: 11
                                font.italic: true
                                color: "#3b3050"
                                text: Texts.get("desktop.kingdom.empty")
                            }
                        }

                        // The building, growing with the hero's level.
                        Image {
                            objectName: "building_" + model.realm
                            anchors.right: parent.right
                            anchors.bottom: parent.bottom
                            anchors.margins: 8
                            source: "image://art/building/" + model.realm + "/"
                                    + Math.max(1, Math.min(5, model.buildingStage))
                            sourceSize: Qt.size(64, 64)
                            smooth: false
                        }

                        // Inhabitants at work in a realm that has something ahead.
                        Repeater {
                            model: Math.min(3, area.realmCount)
                            Image {
                                id: actor
                                objectName: "actor"
                                property int frame: 0
                                source: "image://art/inhabitant/" + area.realmName + "-" + index
                                        + "/" + frame
                                sourceSize: Qt.size(32, 32)
                                smooth: false
                                y: area.height - 40
                                Timer {
                                    interval: 450
                                    running: true
                                    repeat: true
                                    onTriggered: actor.frame = 1 - actor.frame
                                }
                                SequentialAnimation on x {
                                    loops: Animation.Infinite
                                    NumberAnimation {
                                        from: 20 + index * 30
                                        to: area.width - 60 - index * 20
                                        duration: 4000 + index * 900
                                        easing.type: Easing.InOutSine
                                    }
                                    NumberAnimation {
                                        to: 20 + index * 30
                                        duration: 4000 + index * 900
                                        easing.type: Easing.InOutSine
                                    }
                                }
                            }
                        }
                    }
                }
            }

            // The hero, walking to the realm of the main quest.
            Image {
                id: hero
                objectName: "hero"
                readonly property Item target: realmRepeater.count > Kingdom.heroRealm
                                                ? realmRepeater.itemAt(Kingdom.heroRealm) : null
                property int frame: 0
                source: "image://art/hero/walk/" + frame
                sourceSize: Qt.size(40, 40)
                smooth: false
                Timer {
                    interval: 200
                    running: true
                    repeat: true
                    onTriggered: hero.frame = (hero.frame + 1) % 4
                }
                x: target ? target.x + target.width / 2 - width / 2 : 0
                y: target ? target.y + target.height / 2 : 0
                Behavior on x { NumberAnimation { duration: 1200; easing.type: Easing.InOutQuad } }
                Behavior on y { NumberAnimation { duration: 1200; easing.type: Easing.InOutQuad } }
            }
        }

        // Beside the map a third of the width at most, so that a narrow window keeps both.
        ScrollView {
            id: side
            Layout.preferredWidth: Math.min(340, map.width / 3)
            Layout.fillHeight: true
            clip: true

            ColumnLayout {
                width: side.width - 10
                spacing: 8

                Text {
                    objectName: "dayVerdict"
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    font.pixelSize: 13
                    text: Kingdom.verdict
                }

                Text { text: Texts.get("desktop.kingdom.journey"); font.bold: true; font.pixelSize: 15 }
                Text {
                    objectName: "journey"
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    text: Kingdom.journey.length > 0 ? Kingdom.journey : Texts.get("desktop.kingdom.noMain")
                }
                Repeater {
                    model: Kingdom.secondaries
                    Text { Layout.fillWidth: true; wrapMode: Text.WordWrap; text: "↳ " + modelData }
                }

                Text { text: Texts.get("desktop.kingdom.board"); font.bold: true; font.pixelSize: 15 }
                Text {
                    visible: Kingdom.hasBoard && Kingdom.board.length === 0
                    text: Texts.get("desktop.kingdom.noBoard")
                }
                Repeater {
                    model: Kingdom.board
                    Text {
                        objectName: "boardObjective"
                        Layout.fillWidth: true
                        wrapMode: Text.WordWrap
                        text: (modelData.completed ? "☑ " : "☐ ") + modelData.label + " — " + modelData.reward
                    }
                }
                Text {
                    objectName: "chest"
                    visible: Kingdom.hasBoard && Kingdom.board.length > 0
                    text: (Kingdom.chestOpen ? "🔓 " : "🔒 ") + Texts.get("desktop.kingdom.chest") + " — " + Kingdom.chest
                }

                Repeater {
                    model: Kingdom.campaigns
                    Rectangle {
                        objectName: "campaignBanner"
                        Layout.fillWidth: true
                        implicitHeight: campaignText.implicitHeight + 10
                        color: "#4a3b63"
                        radius: 4
                        Image {
                            objectName: "campaignBannerArt"
                            anchors.left: parent.left
                            anchors.verticalCenter: parent.verticalCenter
                            anchors.leftMargin: 5
                            source: "image://art/banner/campaign"
                            sourceSize: Qt.size(12, 24)
                            smooth: false
                        }
                        Text {
                            id: campaignText
                            anchors.fill: parent
                            anchors.margins: 5
                            anchors.leftMargin: 22
                            wrapMode: Text.WordWrap
                            color: "#f4efe3"
                            text: Texts.get("desktop.kingdom.campaign") + " : " + modelData
                        }
                    }
                }
                Rectangle {
                    objectName: "bossBanner"
                    visible: Kingdom.boss.length > 0
                    Layout.fillWidth: true
                    implicitHeight: bossText.implicitHeight + 10
                    color: "#7a1f1f"
                    radius: 4
                    Image {
                        objectName: "bossBannerArt"
                        anchors.left: parent.left
                        anchors.verticalCenter: parent.verticalCenter
                        anchors.leftMargin: 5
                        source: "image://art/banner/boss"
                        sourceSize: Qt.size(12, 24)
                        smooth: false
                    }
                    Text {
                        id: bossText
                        anchors.fill: parent
                        anchors.margins: 5
                        anchors.leftMargin: 22
                        wrapMode: Text.WordWrap
                        color: "#f4efe3"
                        text: Texts.get("desktop.kingdom.boss") + " : " + Kingdom.boss
                    }
                }

                Text {
                    visible: Kingdom.inhabitants.length > 0
                    text: Texts.get("desktop.kingdom.inhabitants")
                    font.bold: true
                    font.pixelSize: 15
                }
                Repeater {
                    model: Kingdom.inhabitants
                    Row {
                        objectName: "inhabitant"
                        spacing: 6
                        Image {
                            source: "image://art/inhabitant/" + modelData.kind + "-" + modelData.name + "/0"
                            sourceSize: Qt.size(24, 24)
                            smooth: false
                        }
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            width: side.width - 50
                            elide: Text.ElideRight
                            text: modelData.name + " — " + modelData.tier
                        }
                    }
                }
            }
        }
    }
}
