#include "shell/frm_set.h"

#include "scripted_dialogs.h"
#include "temp_home.h"
#include "widgets/xp_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

struct DialogFixture : ::testing::Test {
    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    DialogFixture() { ctx.dialogs = &dialogs; }
};

TEST_F(DialogFixture, OpensOnTheCurrentValues) {
    ctx.settings.Mp3BitRate = 56000;
    ctx.settings.VocalCompensation = -4;
    ctx.settings.VisualRandom = 0;
    ctx.settings.VisualStyle = 7;
    ctx.settings.DownloadWaitSeconds = 30;
    ctx.settings.AutoDownloadLyrics = 0;
    ctx.settings.LyricDisplayMode = 0;
    FrmSet dialog(ctx);
    EXPECT_TRUE(dialog.Option1[1]->isChecked());
    EXPECT_FALSE(dialog.Check4->isChecked());
    EXPECT_EQ(dialog.Combo2->currentText(), QStringLiteral("4"));
    EXPECT_FALSE(dialog.Combo2->isEnabled());
    EXPECT_EQ(dialog.Combo3->currentIndex(), 7);
    EXPECT_EQ(dialog.Combo1->currentText(), QStringLiteral("30"));
    EXPECT_FALSE(dialog.Check3->isEnabled());
    EXPECT_FALSE(dialog.XPButton5->isEnabled());
    EXPECT_FALSE(dialog.Check11->isEnabled());
    EXPECT_TRUE(dialog.Option5[0]->isChecked());
    // Opening changed nothing.
    EXPECT_EQ(ctx.settings.VocalCompensation, -4);
    EXPECT_EQ(ctx.settings.LyricDisplayMode, 0);
}

TEST_F(DialogFixture, ControlsApplyAtOnce) {
    FrmSet dialog(ctx);
    dialog.show();
    dialog.Check2->setChecked(false);
    EXPECT_EQ(ctx.settings.AutoDownloadLyrics, 0);
    EXPECT_FALSE(dialog.Check3->isEnabled());
    dialog.HScroll1->setValue(45); // kept for this run; the next start reads it as 30
    EXPECT_EQ(ctx.settings.MaxRecordMinutes, 45);
    EXPECT_EQ(dialog.Label4->text(), QStringLiteral("45"));
    dialog.Option1[6]->click();
    EXPECT_EQ(ctx.settings.Mp3BitRate, 256000);
    dialog.Option2[2]->click();
    EXPECT_EQ(ctx.settings.Mp3SampleRate, 48000);
    dialog.Check4->setChecked(false);
    EXPECT_EQ(ctx.settings.VocalCompensation, -3);
    dialog.Combo2->setCurrentIndex(4);
    EXPECT_EQ(ctx.settings.VocalCompensation, -5);
    dialog.Check4->setChecked(true);
    EXPECT_EQ(ctx.settings.VocalCompensation, 5);
    dialog.Combo3->activated(4);
    EXPECT_EQ(ctx.settings.VisualRandom, 0);
    EXPECT_EQ(ctx.settings.VisualStyle, 4);
    dialog.Combo3->activated(0);
    EXPECT_EQ(ctx.settings.VisualRandom, 4);
    dialog.Check8->setChecked(false);
    EXPECT_EQ(ctx.settings.AutoPlayOnStart, 0);
    dialog.Check9->setChecked(true);
    EXPECT_EQ(ctx.settings.RandomPlay, -1);
}

TEST_F(DialogFixture, VisualizationModeUnticksTheVisualizationSwitch) {
    ctx.settings.VisualOn = 1;
    FrmSet dialog(ctx);
    QSignalSpy visual(&dialog, &FrmSet::visualOnChanged);
    QSignalSpy mode(&dialog, &FrmSet::lyricDisplayModeChanged);
    dialog.show();
    ASSERT_TRUE(dialog.Check6->isChecked());
    dialog.Option6[1]->click();
    EXPECT_EQ(ctx.settings.LyricDisplayMode, 1);
    EXPECT_FALSE(dialog.Check6->isChecked());
    EXPECT_EQ(ctx.settings.VisualOn, 0);
    EXPECT_FALSE(dialog.Combo3->isEnabled());
    EXPECT_FALSE(dialog.XPButton5->isEnabled());
    ASSERT_EQ(visual.count(), 1);
    EXPECT_FALSE(visual.at(0).at(0).toBool());
    EXPECT_EQ(mode.count(), 1);
    // Ticking the switch again while in mode 1 moves the lyrics to the picture background.
    dialog.Check6->setChecked(true);
    EXPECT_EQ(ctx.settings.LyricDisplayMode, 2);
    EXPECT_TRUE(dialog.Option6[2]->isChecked());
    EXPECT_TRUE(dialog.XPButton5->isEnabled());
}

TEST_F(DialogFixture, ModeAndSkinOptionsActOnlyOnceShown) {
    FrmSet dialog(ctx);
    QSignalSpy skin(&dialog, &FrmSet::skinDefaultRequested);
    dialog.Option6[0]->click();
    dialog.Option5[0]->click();
    EXPECT_EQ(ctx.settings.LyricDisplayMode, 2);
    EXPECT_EQ(skin.count(), 0);
    dialog.show();
    ctx.settings.SkinFile = QStringLiteral("x.bmp");
    dialog.Option5[0]->click();
    EXPECT_TRUE(ctx.settings.SkinFile.isEmpty());
    EXPECT_EQ(skin.count(), 1);
}

TEST_F(DialogFixture, CustomCoverWithoutPictureAsksForOneAndCancelLeavesItOff) {
    FrmSet dialog(ctx);
    dialog.show();
    dialog.Check7->click();
    ASSERT_EQ(dialogs.entries().size(), 2);
    EXPECT_EQ(dialogs.entries().at(0).text,
              QStringLiteral("默认图片将以拉伸方式显示，建议选择图片的宽高尺寸最好为4:3的比例。"));
    EXPECT_EQ(dialogs.entries().at(0).title, QStringLiteral("提示"));
    EXPECT_EQ(dialogs.entries().at(1).kind, ScriptedDialogs::Kind::OpenFiles);
    EXPECT_EQ(dialogs.entries().at(1).title, QStringLiteral("查找/替换默认图片"));
    EXPECT_FALSE(dialog.Check7->isChecked());
    EXPECT_EQ(ctx.settings.CoverPictureMode, 1);
}

TEST_F(DialogFixture, ChosenCoverPictureIsCopiedAndSelected) {
    home.write(QStringLiteral("pic.jpg"), "JPEGDATA");
    dialogs.answerOpen({home.file(QStringLiteral("pic.jpg"))});
    FrmSet dialog(ctx);
    QSignalSpy changed(&dialog, &FrmSet::coverPictureChanged);
    dialog.show();
    dialog.XPButton3->clicked();
    EXPECT_EQ(home.read(QStringLiteral("userdefine.pic")), QByteArray("JPEGDATA"));
    EXPECT_TRUE(dialog.Check7->isChecked());
    EXPECT_EQ(ctx.settings.CoverPictureMode, 2);
    EXPECT_GE(changed.count(), 1);
}

TEST_F(DialogFixture, BackgroundPicturesAreCopiedWithATimeStamp) {
    home.write(QStringLiteral("a.jpg"), "A");
    home.write(QStringLiteral("b.bmp"), "B");
    dialogs.answerOpen({home.file(QStringLiteral("a.jpg")), home.file(QStringLiteral("b.bmp"))});
    FrmSet dialog(ctx);
    dialog.show();
    dialog.XPButton5->clicked();
    const QStringList files = QDir(home.file(QStringLiteral("bkground"))).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 2);
    for (const QString &f : files)
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^\\d{12}_(a\\.jpg|b\\.bmp)$")).match(f).hasMatch())
            << f.toStdString();
    const QStringList texts = dialogs.messageTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts.at(0).startsWith(QStringLiteral("歌词显示背景图片已经成功添加至【")));
    EXPECT_EQ(texts.at(1), QStringLiteral("目前共有 2 个背景文件。"));
}

TEST_F(DialogFixture, BackgroundNamesFitTheFileSystemAndFailedCopiesAreReported) {
    // A name of 250 bytes (82 CJK characters) with the time stamp would pass 255 bytes: it
    // keeps its end, whole characters only.
    const QString longName = QString(82, QChar(0x6B4C)) + QStringLiteral(".jpg");
    home.write(longName, "A");
    const QString source = home.file(longName);
    dialogs.answerOpen({source, home.file(QStringLiteral("missing.jpg"))});
    FrmSet dialog(ctx);
    dialog.show();
    dialog.XPButton5->clicked();
    const QStringList files = QDir(home.file(QStringLiteral("bkground"))).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files.at(0).toUtf8().size(), 13 + 79 * 3 + 4);
    EXPECT_TRUE(files.at(0).endsWith(QString(79, QChar(0x6B4C)) + QStringLiteral(".jpg")));
    const QStringList texts = dialogs.messageTexts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts.at(0).startsWith(QStringLiteral("歌词显示背景图片已经成功添加至【")));
    EXPECT_TRUE(texts.at(1).contains(QStringLiteral("missing.jpg")));
    EXPECT_EQ(dialogs.entries().at(2).icon, Dialogs::Icon::Critical);
    EXPECT_EQ(texts.at(2), QStringLiteral("目前共有 1 个背景文件。"));

    // Nothing copied: no claim of success.
    dialogs.clear();
    dialogs.answerOpen({home.file(QStringLiteral("missing.jpg"))});
    dialog.XPButton5->clicked();
    EXPECT_FALSE(dialogs.messageTexts().at(0).startsWith(QStringLiteral("歌词显示背景图片")));
}

TEST_F(DialogFixture, AFailedCoverCopyKeepsTheOldPicture) {
    home.write(QStringLiteral("userdefine.pic"), "OLD");
    ctx.settings.CoverPictureMode = 2;
    dialogs.answerOpen({home.file(QStringLiteral("gone.jpg"))});
    FrmSet dialog(ctx);
    dialog.show();
    dialog.XPButton3->clicked();
    EXPECT_EQ(home.read(QStringLiteral("userdefine.pic")), QByteArray("OLD"));
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("userdefine.pic.part"))));
    EXPECT_TRUE(dialogs.messageTexts().last().contains(QStringLiteral("gone.jpg")));
    EXPECT_EQ(ctx.settings.CoverPictureMode, 2);
}

TEST_F(DialogFixture, ResetButtonsApplyTheirPresets) {
    ctx.settings.ShowMixerOnRecord = 0;
    ctx.settings.AutoFuzzySearch = 0;
    ctx.settings.VisualOn = 1;
    ctx.settings.RandomPlay = -1;
    ctx.settings.SkinFile = QStringLiteral("s.bmp");
    ctx.settings.Mp3BitRate = 32000;
    ctx.settings.MaxRecordMinutes = 20;
    ctx.settings.VocalCompensation = -1;
    ctx.settings.LyricDisplayMode = 0;
    FrmSet dialog(ctx);
    QSignalSpy bounce(&dialog, &FrmSet::bounceReset);
    QSignalSpy skin(&dialog, &FrmSet::skinDefaultRequested);
    dialog.show();

    dialog.XPButton4->clicked(); // simple mode
    const Settings simple = ctx.settings;
    EXPECT_EQ(simple.ShowLevelMeter, 0);
    EXPECT_EQ(simple.ShowMixerOnRecord, 0);
    EXPECT_EQ(simple.AutoDownloadLyrics, 0);
    EXPECT_EQ(simple.AutoFuzzySearch, 0); // unchanged
    EXPECT_EQ(simple.MaxRecordMinutes, 5);
    EXPECT_EQ(simple.AutoPlayOnStart, 0);
    EXPECT_EQ(simple.LyricDisplayMode, 0);
    EXPECT_FALSE(dialog.XPButton5->isEnabled());

    dialog.XPButton1->clicked(); // all defaults
    Settings expected;
    expected.CurrentIndex = ctx.settings.CurrentIndex;
    EXPECT_EQ(SettingsFile::format(ctx.settings), SettingsFile::format(expected));
    EXPECT_TRUE(dialog.XPButton5->isEnabled());
    EXPECT_TRUE(dialog.Check11->isEnabled());
    EXPECT_EQ(bounce.count(), 2);
    EXPECT_GE(skin.count(), 2);
}

TEST_F(DialogFixture, OkDisablesTheButtonsAndCloses) {
    FrmSet dialog(ctx);
    dialog.show();
    dialog.XPButton2->clicked();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.XPButton1->isEnabled());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
