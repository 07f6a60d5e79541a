// The association, track information and about dialogs opened and answered with the pointer on
// a real window (xcb on Xvfb), with the real media player on generated media.
#include "app/main_window.h"
#include "platform/qt_dialogs.h"
#include "platform/xdg_association.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "real_input.h"
#include "shell/frm_about.h"
#include "shell/frm_file_shell.h"
#include "shell/frm_info.h"
#include "shell/track_info.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <gtest/gtest.h>

namespace {

TEST(TrackInfo, SizeTextUsesTwoDecimalsAndTheLocalesGrouping) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const struct {
        qint64 bytes;
        const char *text;
    } cases[] = {{1048576, "1.00 MB (1,048,576 字节)"},
                 {3690123, "3.52 MB (3,690,123 字节)"},
                 {0, "0.00 MB (0 字节)"},
                 {2147483648LL * 3, "6144.00 MB (6,442,450,944 字节)"}};
    for (const auto &c : cases)
        EXPECT_EQ(TrackInfo::sizeText(c.bytes, english), QString::fromUtf8(c.text)) << c.bytes;
}

TEST(TrackInfo, AStreamHasNoSizeOrDatesAndEmptyEntriesShowADash) {
    TrackInfoSource stream;
    stream.fileName = QStringLiteral("http://127.0.0.1:9/radio.mp3");
    stream.title = QStringLiteral("Live");
    const auto f = TrackInfo::fields(stream, QLocale(QLocale::English));
    EXPECT_EQ(f[0], stream.fileName);
    EXPECT_EQ(f[1], QStringLiteral("Live"));
    for (int k : {2, 3, 5, 6, 7, 8})
        EXPECT_EQ(f[size_t(k)], QStringLiteral("-")) << k;
    EXPECT_EQ(f[4], QStringLiteral("0 秒"));
}

class InfoDialogsTest : public ::testing::Test {
protected:
    InfoDialogsTest() {
        ctx.dialogs = &dialogs;
        media = home.file(QStringLiteral("歌曲.mp3"));
        TestMedia::Tags tags{QStringLiteral("Tone Song"), QStringLiteral("Test Artist"),
                             QStringLiteral("2026 Lyravox"), QStringLiteral("A sine")};
        EXPECT_TRUE(TestMedia::writeMp3(media, 3.0, tags));
        home.write(QStringLiteral("List.lvx"), ">0\r\n\"" + media.toUtf8() + "\"\r\n");
    }
    // The next message box over `owner` is answered with OK; its text goes to `text`.
    static void answerMessageBox(QWidget *owner, QString &text) {
        whenModal(
            [&text](QWidget *box) {
                auto *mb = qobject_cast<QMessageBox *>(box);
                ASSERT_NE(mb, nullptr);
                text = mb->text();
                click(mb->button(QMessageBox::Ok));
            },
            owner);
    }
    void start() {
        window = std::make_unique<MainWindow>(ctx);
        showActive(window.get());
        window->finishStartup();
    }
    // Opens "主菜单" on the title, then `submenu`, then clicks `item`.
    void chooseFromMainMenu(const char *submenu, const char *item) {
        click(window->ui().Label4, {}, Qt::RightButton);
        QMenu *main = window->ui().Popmnu[0];
        ASSERT_TRUE(waitFor([main] { return main->isVisible(); }, 3000));
        QMenu *sub = window->ui().menu(submenu);
        clickMenuItem(main, sub->menuAction());
        ASSERT_TRUE(waitFor([sub] { return sub->isVisible(); }, 3000));
        clickMenuItem(sub, window->ui().action(item));
    }
    MediaPlayer &player() { return window->playback().player(); }

    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    QString media;
    std::unique_ptr<MainWindow> window;
};

TEST_F(InfoDialogsTest, TrackPropertiesOfATaggedMp3FromTheButton) {
    start();
    ASSERT_TRUE(waitFor([&] { return player().duration() > 2.0; }));
    std::array<QString, 9> shown;
    QString title;
    whenModal([&](QWidget *modal) {
        auto *info = qobject_cast<FrmInfo *>(modal);
        ASSERT_NE(info, nullptr);
        title = info->windowTitle();
        for (size_t k = 0; k < 9; ++k)
            shown[k] = info->Text[k]->text();
        click(info->XPButton1); // "关闭"
    });
    click(window->ui().XPButton[22]);
    EXPECT_EQ(title, QStringLiteral("曲目属性"));
    EXPECT_EQ(shown[0], media);
    EXPECT_EQ(shown[1], QStringLiteral("Tone Song"));
    EXPECT_EQ(shown[2], QStringLiteral("Test Artist"));
    EXPECT_EQ(shown[3], QStringLiteral("2026 Lyravox"));
    EXPECT_TRUE(shown[4].endsWith(QStringLiteral(" 秒"))) << qPrintable(shown[4]);
    EXPECT_NEAR(shown[4].chopped(2).toDouble(), 3.0, 0.2);
    EXPECT_EQ(shown[5], TrackInfo::sizeText(QFileInfo(media).size(), QLocale()));
    EXPECT_NE(shown[7], QStringLiteral("-"));
    EXPECT_EQ(shown[8], QStringLiteral("A sine"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(InfoDialogsTest, TrackPropertiesOpenNothingWithoutMedia) {
    start();
    player().setFileName(QString());
    ASSERT_TRUE(player().fileName().isEmpty());
    // A dialog would run its own loop inside the click; any window it shows takes the focus.
    bool opened = false;
    QObject guard;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &guard, [&](QWindow *w) {
        if (!w || w == window->windowHandle()) return;
        if (auto *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    chooseFromMainMenu("mnuFile", "mnuFileInfo");
    EXPECT_FALSE(opened);
}

TEST_F(InfoDialogsTest, AssociationChosenWithThePointerMakesUsTheDefault) {
    start();
    const QString config = XdgAssociation::configHome();
    whenModal([&](QWidget *modal) {
        auto *shell = qobject_cast<FrmFileShell *>(modal);
        ASSERT_NE(shell, nullptr);
        EXPECT_EQ(shell->windowTitle(), QStringLiteral("文件关联设置"));
        EXPECT_FALSE(shell->Check1[2]->isChecked());
        click(shell->Image1[2]); // the icon of ".mp3" toggles its box
        EXPECT_TRUE(shell->Check1[2]->isChecked());
        EXPECT_TRUE(shell->XPButton4->hasFocus());
        click(shell->Check1[1], {8, shell->Check1[1]->height() / 2}); // ".wav" on, then off
        click(shell->Check1[1], {8, shell->Check1[1]->height() / 2});
        EXPECT_FALSE(shell->Check1[1]->isChecked());
        click(shell->XPButton4); // "确 定"
    });
    chooseFromMainMenu("mnuSetup", "mnuFileShell");
    EXPECT_EQ(XdgAssociation::defaultApplication(QStringLiteral("audio/mpeg"),
                                                 XdgAssociation::dataHome(), config),
              XdgAssociation::desktopId());
    EXPECT_NE(XdgAssociation::defaultApplication(QStringLiteral("audio/x-wav"),
                                                 XdgAssociation::dataHome(), config),
              XdgAssociation::desktopId());

    // Opening again shows it checked; "全不选" and "确 定" give it back.
    whenModal([&](QWidget *modal) {
        auto *shell = qobject_cast<FrmFileShell *>(modal);
        ASSERT_NE(shell, nullptr);
        EXPECT_TRUE(shell->Check1[2]->isChecked());
        click(shell->XPButton2);
        click(shell->XPButton4);
    });
    chooseFromMainMenu("mnuSetup", "mnuFileShell");
    EXPECT_NE(XdgAssociation::defaultApplication(QStringLiteral("audio/mpeg"),
                                                 XdgAssociation::dataHome(), config),
              XdgAssociation::desktopId());
}

// ".dat" has a type of its own: ticking it leaves ".mpg" and its fellows with their player,
// and the dialog shows them as they are.
TEST_F(InfoDialogsTest, TickingDatLeavesTheMpegFilesWithTheirPlayer) {
    home.write(QStringLiteral(".local/share/applications/vlc.desktop"),
               "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/true %f\n");
    home.write(QStringLiteral(".config/mimeapps.list"),
               "[Default Applications]\nvideo/mpeg=vlc.desktop;\n");
    start();
    whenModal([&](QWidget *modal) {
        auto *shell = qobject_cast<FrmFileShell *>(modal);
        ASSERT_NE(shell, nullptr);
        click(shell->Check1[7], {8, shell->Check1[7]->height() / 2}); // ".dat"
        click(shell->XPButton4);
    });
    chooseFromMainMenu("mnuSetup", "mnuFileShell");
    const QString data = XdgAssociation::dataHome(), config = XdgAssociation::configHome();
    EXPECT_EQ(XdgAssociation::defaultApplication(QStringLiteral("video/mpeg"), data, config),
              QStringLiteral("vlc.desktop"));
    EXPECT_EQ(XdgAssociation::defaultApplication(XdgAssociation::mimeTypeFor(QStringLiteral("dat")),
                                                 data, config),
              XdgAssociation::desktopId());
    std::vector<bool> shown;
    whenModal([&](QWidget *modal) {
        auto *shell = qobject_cast<FrmFileShell *>(modal);
        ASSERT_NE(shell, nullptr);
        shown = shell->checked();
        click(shell->XPButton3); // "取 消"
    });
    chooseFromMainMenu("mnuSetup", "mnuFileShell");
    ASSERT_EQ(shown.size(), 21u);
    EXPECT_TRUE(shown[7]);   // .dat
    EXPECT_FALSE(shown[8]);  // .vob
    EXPECT_FALSE(shown[12]); // .mpeg
    EXPECT_FALSE(shown[13]); // .mpg
}

// A mimeapps.list that is not UTF-8 is left as it is: "确 定" says why and changes nothing.
TEST_F(InfoDialogsTest, AnUnreadableDefaultsFileIsLeftAloneAndTheDialogSaysSo) {
    const QByteArray gbk = "[Default Applications]\naudio/mpeg=vlc.desktop;mpv.desktop;\n"
                           "# \xb8\xe8\xc7\xfa\n";
    home.write(QStringLiteral(".config/mimeapps.list"), gbk);
    start();
    QString message;
    whenModal([&](QWidget *modal) {
        auto *shell = qobject_cast<FrmFileShell *>(modal);
        ASSERT_NE(shell, nullptr);
        click(shell->Image1[2]); // ".mp3"
        answerMessageBox(shell, message);
        click(shell->XPButton4);
    });
    chooseFromMainMenu("mnuSetup", "mnuFileShell");
    EXPECT_EQ(message, QStringLiteral("无法读取默认应用程序设置文件“") +
                           XdgAssociation::mimeApplicationsFile(XdgAssociation::configHome()) +
                           QStringLiteral("”，文件关联没有更改。\n"
                                          "请检查该文件的权限和编码（须为 UTF-8）后重试。"));
    EXPECT_EQ(home.read(QStringLiteral(".config/mimeapps.list")), gbk);
    EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral(".config/lyravox/file-classes.json"))));
    EXPECT_FALSE(
        QFileInfo::exists(home.file(QStringLiteral(".local/share/applications/lyravox.desktop"))));
}

TEST_F(InfoDialogsTest, AboutBoxVersionOptionAndMissingSystemInformation) {
    start();
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(home.file(QStringLiteral("empty-bin"))));
    const bool optionBefore = player().displayOption();
    QString version, message;
    bool optionToggled = false;
    whenModal([&](QWidget *modal) {
        auto *about = qobject_cast<FrmAbout *>(modal);
        ASSERT_NE(about, nullptr);
        version = about->lblVersion->text();
        click(about->lblVersion);
        optionToggled = player().displayOption() != optionBefore;
        answerMessageBox(about, message);
        click(about->cmdSysInfo);
        click(about->cmdOK);
    });
    chooseFromMainMenu("mnuHelp", "mnuHelpAbout");
    qputenv("PATH", oldPath);
    EXPECT_EQ(version, QStringLiteral("版本 1.7.0"));
    EXPECT_TRUE(optionToggled);
    EXPECT_EQ(message, QStringLiteral("此时系统信息不可用"));
}

} // namespace
