// The main window: the quick-add field on top, the kingdom, the week and the hero in tabs, the
// status bar below. Every text comes from Texts or a model.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

ApplicationWindow {
    id: root
    objectName: "mainWindow"
    property bool quickAddFirst: false
    property int currentTab: 0
    width: 1280
    height: 820
    minimumWidth: 800
    minimumHeight: 560
    title: Texts.get("desktop.window.title")
    color: "#f4efe3"

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        QuickAddField {
            id: quickAdd
            objectName: "quickAdd"
            Layout.fillWidth: true
            focusAtStart: root.quickAddFirst
        }

        TabBar {
            id: tabs
            objectName: "tabs"
            Layout.fillWidth: true
            currentIndex: root.currentTab
            onCurrentIndexChanged: root.currentTab = currentIndex
            TabButton { objectName: "tabKingdom"; text: Texts.get("desktop.tab.kingdom") }
            TabButton { objectName: "tabWeek"; text: Texts.get("desktop.tab.week") }
            TabButton { objectName: "tabHero"; text: Texts.get("desktop.tab.hero") }
        }

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabs.currentIndex
            KingdomMap { objectName: "kingdomMap" }
            WeekView { objectName: "weekView" }
            HeroSheet { objectName: "heroSheet" }
        }

        StatusBar {
            objectName: "statusBar"
            Layout.fillWidth: true
        }
    }

    QuestSheet {
        objectName: "questSheet"
    }
}
