// The hero: level and its bar, experience, gold and streak, title, equipment.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Item {
    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 20
        spacing: 10

        Text {
            objectName: "heroName"
            font.pixelSize: 26
            font.bold: true
            text: Hero.avatar + " " + Hero.name + " — " + Hero.title
        }
        Text {
            objectName: "heroEquippedTitle"
            visible: text.length > 0
            font.italic: true
            text: Hero.equippedTitle
        }
        RowLayout {
            spacing: 10
            Text { objectName: "heroLevel"; font.pixelSize: 18; text: Hero.levelText }
            ProgressBar {
                objectName: "heroLevelBar"
                Layout.preferredWidth: 320
                from: 0
                to: 1
                value: Hero.levelFraction
            }
            Text {
                objectName: "heroXp"
                text: Texts.format("desktop.hero.xp", [String(Hero.xpIntoLevel), String(Hero.xpForNext)])
            }
        }
        Text { objectName: "heroGold"; font.pixelSize: 15; text: Hero.goldAndStreak }

        Text { text: Texts.get("desktop.hero.equipment"); font.bold: true; font.pixelSize: 16 }
        Text {
            visible: Hero.equipment.length === 0
            font.italic: true
            text: Texts.get("desktop.hero.noEquipment")
        }
        Repeater {
            model: Hero.equipment
            Text {
                objectName: "heroItem"
                text: modelData.emoji + " " + modelData.name
                      + (modelData.slot.length > 0 ? " · " + modelData.slot : "") + " · " + modelData.rarity
            }
        }
        Item { Layout.fillHeight: true }
    }
}
