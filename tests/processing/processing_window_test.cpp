// Key shift and vocal removal the way a user reaches them: pointer clicks on the main window's
// switches and on the real question boxes, the step dialog and the save dialog, through the
// window system (xcb on a private X server); the copies play through libmpv.
#include "app/main_window.h"
#include "platform/qt_dialogs.h"
#include "playback/media_player.h"
#include "playback/playback_widgets.h"
#include "playlist/playlist_controller.h"
#include "processing/frm_shift_set.h"
#include "processing/processing_controller.h"
#include "real_input.h"
#include "shell/frm_set.h"
#include "shell/player_preferences.h"
#include "temp_home.h"
#include "test_media.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include "codec.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ProcessingWindowTest : public ::testing::Test {
protected:
    ProcessingWindowTest() {
        ctx.dialogs = &dialogs;
        home.paths().createFolders();
        EXPECT_TRUE(TestMedia::writeMp3(home.file(QStringLiteral("song.mp3")), 4.0, {},
                                        TestMedia::kBinTone));
        EXPECT_TRUE(TestMedia::writeBandWav(home.file(QStringLiteral("voice.wav")), 4.0));
        home.write(QStringLiteral("List.lvx"),
                   ">0\r\n\"" + home.file(QStringLiteral("song.mp3")).toUtf8() + "\"\r\n\"" +
                       home.file(QStringLiteral("voice.wav")).toUtf8() + "\"\r\n");
        window = std::make_unique<MainWindow>(ctx);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    MediaPlayer &player() { return window->playback().player(); }
    bool playing(const QString &file) {
        return waitFor(
            [&] {
                return player().playState() == MediaPlayer::Playing && player().fileName() == file;
            },
            30000);
    }
    // Answers the next save dialog (not `notThis`) with `name` in the home folder.
    void saveAs(const char *name, QWidget *notThis = nullptr) {
        whenModal(
            [this, name](QWidget *modal) {
                auto *files = qobject_cast<QFileDialog *>(modal);
                ASSERT_NE(files, nullptr) << modal->metaObject()->className();
                files->setDirectory(home.path());
                QLineEdit *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(edit, nullptr);
                edit->selectAll();
                edit->setFocus();
                type(files->windowHandle(), name);
                QTest::keyClick(files->windowHandle(), Qt::Key_Return);
            },
            notThis);
    }

    TempHome home;
    QtDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

TEST_F(ProcessingWindowTest, KeyShiftAndVocalRemovalFromTheSwitches) {
    MainWindowUi &ui = window->ui();
    ASSERT_TRUE(playing(home.file(QStringLiteral("song.mp3"))));

    // Key shift by step 2: the question, the step dialog (0 refused first), the save dialog.
    QString question, zero, title;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        question = box->text();
        whenModal(
            [&](QWidget *dialog) {
                auto *shift = qobject_cast<FrmShiftSet *>(dialog);
                ASSERT_NE(shift, nullptr);
                whenModal(
                    [&](QWidget *error) {
                        zero = qobject_cast<QMessageBox *>(error)->text();
                        click(qobject_cast<QMessageBox *>(error)->button(QMessageBox::Ok));
                    },
                    shift);
                click(shift->okButton);
                click(shift->Slider1);
                shift->Slider1->setValue(0);
                QTest::keyClick(shift->windowHandle(), Qt::Key_Right);
                QTest::keyClick(shift->windowHandle(), Qt::Key_Right);
                title = shift->windowTitle();
                saveAs("up", shift);
                click(shift->okButton);
            },
            box);
        click(box->button(QMessageBox::Yes));
    });
    click(ui.Check3);
    EXPECT_EQ(question, QStringLiteral("你确定要将当前曲目进行改变音调处理吗？"));
    EXPECT_EQ(zero, QStringLiteral("设定值为 0 无效！"));
    EXPECT_EQ(title, QStringLiteral("改变曲目音调设定值 2"));
    const QString up = home.file(QStringLiteral("up.wav"));
    ASSERT_TRUE(playing(up));
    EXPECT_TRUE(ui.Check3->isChecked());
    EXPECT_TRUE(ui.action("mnuShifting")->isChecked());
    EXPECT_NEAR(TestMedia::measure(up).hz[0], TestMedia::kBinTone * 1.2, 30.0);

    // Unchecking with the pointer plays the track again.
    click(ui.Check3);
    EXPECT_FALSE(ui.Check3->isChecked());
    EXPECT_EQ(player().fileName(), home.file(QStringLiteral("song.mp3")));

    // Vocal removal of the WAV track, by default in the frequency domain: a stereo copy that
    // keeps the bass and both sides.
    QListWidget *list = ui.List1;
    QTest::mouseDClick(
        window->windowHandle(), Qt::LeftButton, {},
        list->viewport()->mapTo(window.get(), list->visualItemRect(list->item(1)).center()));
    const QString voice = home.file(QStringLiteral("voice.wav"));
    ASSERT_TRUE(playing(voice));
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        question = box->text();
        saveAs("band");
        click(box->button(QMessageBox::Yes));
    });
    click(ui.Check2);
    EXPECT_EQ(question, QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"));
    const QString band = home.file(QStringLiteral("band.wav"));
    ASSERT_TRUE(playing(band));
    EXPECT_TRUE(ui.Check2->isChecked());
    EXPECT_EQ(ui.Check2->toolTip(), QStringLiteral("消减原唱歌曲中的人声(开)"));
    EXPECT_FALSE(TestMedia::measure(band).channelsEqual);
    for (int c = 0; c < 2; ++c) {
        EXPECT_LT(TestMedia::toneLevel(band, c, 440), 0.03) << "voice, channel " << c;
        EXPECT_NEAR(TestMedia::toneLevel(band, c, 55), 0.3, 0.05) << "bass, channel " << c;
    }
    EXPECT_NEAR(TestMedia::toneLevel(band, 0, 660), 0.2, 0.03);
    EXPECT_LT(TestMedia::toneLevel(band, 1, 660), 0.03);
    EXPECT_NEAR(TestMedia::toneLevel(band, 1, 880), 0.2, 0.03);
    EXPECT_LT(TestMedia::toneLevel(band, 0, 880), 0.03);
    // No compensation ran.
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("TEMP/22.wav"))));
    click(ui.Check2);
    EXPECT_EQ(player().fileName(), voice);
    player().play();
    ASSERT_TRUE(playing(voice));

    // The settings dialog's box turns it off, in lyravox.ini; the copy is then the channels'
    // difference as before (compared without compensation).
    {
        FrmSet settings(ctx, window.get());
        settings.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
        EXPECT_TRUE(settings.CheckSpectral->isChecked());
        click(settings.CheckSpectral);
        EXPECT_FALSE(settings.CheckSpectral->isChecked());
        const QSettings ini(home.file(QStringLiteral(".config/lyravox/lyravox.ini")),
                            QSettings::IniFormat);
        EXPECT_EQ(ini.value(QStringLiteral("vocal/spectral")).toString(), QStringLiteral("false"));
    }
    EXPECT_FALSE(PlayerPreferences().spectralVocalRemoval());
    ctx.settings.VocalCompensation = -3;
    whenModal([&](QWidget *modal) {
        saveAs("plain");
        click(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Yes));
    });
    click(ui.Check2);
    const QString plain = home.file(QStringLiteral("plain.wav"));
    ASSERT_TRUE(playing(plain));
    const QString expected = home.file(QStringLiteral("expected.wav"));
    ASSERT_TRUE(codec::removeCentre(QFile::encodeName(voice).toStdString(),
                                    QFile::encodeName(expected).toStdString())
                    .ok);
    QFile made(plain), wanted(expected);
    ASSERT_TRUE(made.open(QIODevice::ReadOnly) && wanted.open(QIODevice::ReadOnly));
    EXPECT_TRUE(made.readAll() == wanted.readAll());

    // The next track switches the copy off.
    click(ui.XPButton[2]);
    ASSERT_TRUE(playing(home.file(QStringLiteral("song.mp3"))));
    EXPECT_FALSE(ui.Check2->isChecked());
    EXPECT_FALSE(window->processing().VocalRemovalOn);
}

TEST_F(ProcessingWindowTest, ConversionFromTheToolsMenu) {
    MainWindowUi &ui = window->ui();
    ASSERT_TRUE(playing(home.file(QStringLiteral("song.mp3"))));
    // The open dialog takes the typed path of the MP3, the save dialog a new name; the end is a
    // plain message box.
    QString done;
    whenModal([&](QWidget *modal) {
        auto *open = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(open, nullptr);
        open->setDirectory(home.path());
        QLineEdit *edit = open->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setFocus();
        type(open->windowHandle(), "song.mp3");
        saveAs("decoded", open);
        QTest::keyClick(open->windowHandle(), Qt::Key_Return);
    });
    click(ui.Label4, {}, Qt::RightButton);
    QMenu *main = ui.Popmnu[0];
    ASSERT_TRUE(waitFor([main] { return main->isVisible(); }, 3000));
    QMenu *tools = ui.menu("mnuTools");
    clickMenuItem(main, tools->menuAction());
    ASSERT_TRUE(waitFor([tools] { return tools->isVisible(); }, 3000));
    QMenu *convert = ui.menu("mnuConvType");
    clickMenuItem(tools, convert->menuAction());
    ASSERT_TRUE(waitFor([convert] { return convert->isVisible(); }, 3000));
    // The closing message comes from a running job: answer it once a message box is up.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->windowHandle() || !box->windowHandle()->isExposed()) return;
        poll.stop();
        done = box->text();
        click(box->button(QMessageBox::Ok));
    });
    poll.start(20);
    clickMenuItem(convert, ui.action("mnuTools2"));
    ASSERT_TRUE(waitFor([&] { return !done.isEmpty(); }, 30000));
    EXPECT_EQ(done, QStringLiteral("MP3解码完成！"));
    const TestMedia::Measure m = TestMedia::measure(home.file(QStringLiteral("decoded.wav")));
    EXPECT_NEAR(double(m.frames), 4.0 * 44100, 1152 * 2);
    EXPECT_NEAR(m.hz[0], TestMedia::kBinTone, 2.0);
}

} // namespace
