// The main window's command surface as a whole: every button, menu item and key is connected to
// a command (or listed below as built elsewhere), the menus update as they open, and the right
// button opens each area's menu on a real window (xcb on Xvfb).
#include "app/main_window.h"
#include "lyrics/lyrics_controller.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "real_input.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QMenu>
#include <gtest/gtest.h>
#include <map>

namespace {

// Items whose command another piece of work builds; the walk reports them instead of failing.
// Remove a row when its command is connected.
const std::map<QString, const char *> kOwnedElsewhere = {};

// The connections of `signal` on `object`, as QObject::dumpObjectInfo reports them (the public
// view of an object's connections).
int listeners(QObject *object, const char *signal) {
    static QStringList *sink = nullptr;
    QStringList lines;
    sink = &lines;
    const QtMessageHandler old =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
            if (sink) *sink << text.split(QLatin1Char('\n'));
        });
    object->dumpObjectInfo();
    qInstallMessageHandler(old);
    sink = nullptr;
    int count = 0;
    bool inSignal = false;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("signal:"))) {
            inSignal = line.mid(7).trimmed() == QLatin1String(signal);
        } else if (line.startsWith(QStringLiteral("SIGNALS IN"))) {
            inSignal = false;
        } else if (line.startsWith(QStringLiteral("--> QMenu::"))) {
            // A menu listens to its own items; that is not a command.
        } else if (inSignal && (line.startsWith(QStringLiteral("-->")) ||
                                line == QStringLiteral("<functor or function pointer>"))) {
            ++count;
        }
    }
    return count;
}

struct SurfaceItem {
    QString name;
    QObject *object;
    const char *signal;
};

class CommandSurfaceTest : public ::testing::Test {
protected:
    CommandSurfaceTest() {
        ctx.dialogs = &dialogs;
        const QString wav = home.file(QStringLiteral("tone.wav"));
        EXPECT_TRUE(TestMedia::writeWav(wav, 5.0));
        home.write(QStringLiteral("List.lvx"), ">0\r\n\"" + wav.toUtf8() + "\"\r\n");
        window = std::make_unique<MainWindow>(ctx);
    }
    // Every button, menu and context-menu item (submenus are not commands) and the keys.
    std::vector<SurfaceItem> surface() {
        std::vector<SurfaceItem> items;
        for (int k = 1; k <= 25; ++k)
            items.push_back({QStringLiteral("XPButton%1").arg(k), window->ui().XPButton[size_t(k)],
                             "clicked()"});
        for (QAction *a : window->findChildren<QAction *>()) {
            const QString name = a->objectName();
            if (a->menu() || a->isSeparator() || name.isEmpty()) continue;
            if (name == QStringLiteral("mnuShowPic")) continue; // never visible, no command
            items.push_back({name, a, "triggered(bool)"});
        }
        items.push_back({QStringLiteral("Space"), window.get(), "playPauseKey()"});
        items.push_back({QStringLiteral("F"), window.get(), "videoFullScreenKey()"});
        items.push_back({QStringLiteral("H"), window.get(), "lyricFullScreenKey()"});
        return items;
    }

    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

TEST_F(CommandSurfaceTest, EveryItemIsConnectedToACommand) {
    const std::vector<SurfaceItem> items = surface();
    ASSERT_GE(items.size(), size_t(25 + 80 + 3)); // the whole surface was found
    QStringList unconnected, ownedConnected;
    for (const SurfaceItem &item : items) {
        const bool connected = listeners(item.object, item.signal) > 0;
        const bool owned = kOwnedElsewhere.count(item.name) > 0;
        if (!connected && !owned) unconnected << item.name;
        if (connected && owned) ownedConnected << item.name;
    }
    for (const auto &[name, owner] : kOwnedElsewhere)
        std::printf("owned elsewhere: %s (%s)\n", qPrintable(name), owner);
    if (!ownedConnected.isEmpty())
        std::printf("now connected, drop from the table: %s\n",
                    qPrintable(ownedConnected.join(QStringLiteral(", "))));
    EXPECT_TRUE(unconnected.isEmpty())
        << "connected to nothing: " << qPrintable(unconnected.join(QStringLiteral(", ")));
}

TEST_F(CommandSurfaceTest, ViewAndVisualMenusUpdateAsTheyOpen) {
    struct Case {
        int visualOn, levelMeter, lyricMode;
        const char *checkedMode;
        const char *meterCaption;
    } cases[] = {{1, 1, 0, "mnuLrcVS0", "关闭录音音量显示(&M)"},
                 {0, 0, 2, "mnuLrcVS2", "打开录音音量显示(&M)"},
                 {1, 0, 101, "mnuLrcVSH", "打开录音音量显示(&M)"}};
    MainWindowUi &ui = window->ui();
    for (const Case &c : cases) {
        ctx.settings.VisualOn = c.visualOn;
        ctx.settings.ShowLevelMeter = c.levelMeter;
        ctx.settings.LyricDisplayMode = c.lyricMode;
        Q_EMIT ui.menu("mnuView")->aboutToShow();
        EXPECT_EQ(ui.menu("mnuSelVisualN")->menuAction()->isEnabled(), c.visualOn == 1);
        EXPECT_EQ(ui.menu("PopSelVisualN")->menuAction()->isEnabled(), c.visualOn == 1);
        for (const char *mode : {"mnuLrcVS0", "mnuLrcVS1", "mnuLrcVS2", "mnuLrcVSH"})
            EXPECT_EQ(ui.action(mode)->isChecked(), qstrcmp(mode, c.checkedMode) == 0) << mode;
        EXPECT_EQ(ui.action("mnuShowVolumeB")->text(), QString::fromUtf8(c.meterCaption));
        // No video: the picture items are on and video full screen is off.
        EXPECT_FALSE(ui.action("mnuFull")->isEnabled());
        EXPECT_TRUE(ui.action("mnuOpenPic")->isEnabled());
        Q_EMIT ui.Popmnu[3]->aboutToShow();
        EXPECT_EQ(ui.action("PopShowVolumeB")->text(),
                  QString::fromUtf8(c.meterCaption).chopped(4)); // without "(&M)"
    }
    EXPECT_NE(ui.action("PopShowVisualS2"), nullptr);
    EXPECT_NE(ui.action("PopDownLrc5"), nullptr);
}

TEST_F(CommandSurfaceTest, VideoTurnsThePictureItemsOffInTheViewMenu) {
    const QString avi = home.file(QStringLiteral("clip.avi"));
    ASSERT_TRUE(TestMedia::writeAvi(avi, 2.0));
    MediaPlayer &player = window->playback().player();
    ASSERT_TRUE(player.setFileName(avi));
    ASSERT_TRUE(waitFor([&] { return player.hasVideo(); }));
    Q_EMIT window->ui().menu("mnuView")->aboutToShow();
    EXPECT_TRUE(window->ui().action("mnuFull")->isEnabled());
    EXPECT_FALSE(window->ui().action("mnuOpenPic")->isEnabled());
    EXPECT_FALSE(window->ui().action("mnuShowPic")->isEnabled());
}

TEST_F(CommandSurfaceTest, RightButtonOpensEachAreasMenu) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->finishStartup();
    MainWindowUi &ui = window->ui();
    window->lyrics().setDisplayMode(2); // lyric strips over a background picture
    QWidget *lyricArea = nullptr;       // the one the display mode shows
    for (QWidget *w : {ui.Picture7, ui.Picture1, static_cast<QWidget *>(ui.Image6)})
        if (!lyricArea && w->isVisible()) lyricArea = w;
    ASSERT_NE(lyricArea, nullptr);
    struct Case {
        QWidget *area;
        int menu;
        int visualOn; // the visualization area lies over the cover
    } cases[] = {{ui.Picture2, 2, 0}, {ui.Picture5, 6, 1}, {lyricArea, 1, 0}, {ui.Picture3, 3, 0}};
    for (const Case &c : cases) {
        ui.Picture5->setVisible(c.visualOn == 1);
        if (!c.area->isVisible()) {
            ADD_FAILURE() << qPrintable(c.area->objectName()) << " is not shown";
            continue;
        }
        QMenu *menu = ui.Popmnu[size_t(c.menu)];
        click(c.area, {}, Qt::RightButton);
        EXPECT_TRUE(waitFor([menu] { return menu->isVisible(); }, 3000))
            << qPrintable(c.area->objectName());
        menu->hide();
        EXPECT_TRUE(QTest::qWaitFor([menu] { return !menu->isVisible(); }, 2000));
    }
    // A level-menu item chosen with the pointer runs its main-menu command.
    ui.Picture5->hide();
    click(ui.Picture3, {}, Qt::RightButton);
    QMenu *level = ui.Popmnu[3];
    ASSERT_TRUE(waitFor([level] { return level->isVisible(); }, 3000));
    const int before = ctx.settings.ShowLevelMeter;
    clickMenuItem(level, ui.action("PopShowVolumeB"));
    EXPECT_NE(ctx.settings.ShowLevelMeter, before);
}

TEST_F(CommandSurfaceTest, OffsetButtonsGiveTheFocusBackToTheSkin) {
    showActive(window.get());
    window->finishStartup();
    MainWindowUi &ui = window->ui();
    for (int k : {3, 4}) {
        ui.List1->setFocus();
        click(ui.XPButton[size_t(k)]);
        EXPECT_TRUE(waitFor([&] { return ui.PicShape->hasFocus(); }, 2000)) << k;
    }
}

} // namespace
