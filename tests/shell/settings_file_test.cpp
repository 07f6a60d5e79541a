#include "shell/settings.h"

#include "temp_home.h"

#include "platform/text_file.h"
#include <QFile>

#include <QFile>
#include <gtest/gtest.h>

namespace {

// The file a fresh player writes: every default, in order.
const QByteArray kDefaultLine =
    "\" 0 \",\"-1 \",\"-1 \",\" 128 \",\" 44100 \",\"-1 \",\" 10 \",\"-1 \",\" 1 \",\" 1 \","
    "\" 3 \",\" 1 \",\" 10 \",\" 1 \",\" 1 \",\" 0 \",\" 1 \",\" 1 \",\" 1 \",\" 0 \",\"\","
    "\" 2 \",\" 0 \"\r\n";

Settings parsed(const QByteArray &bytes) {
    Settings s;
    SettingsFile::parse(bytes, s);
    return s;
}

TEST(SettingsFile, DefaultsAreWrittenByteForByte) {
    EXPECT_EQ(SettingsFile::format(Settings()), kDefaultLine);
}

TEST(SettingsFile, RoundTripKeepsEveryField) {
    Settings s;
    s.RandomPlay = -1;
    s.CurrentIndex = 42;
    s.Mp3BitRate = 56000;
    s.Mp3SampleRate = 48000;
    s.VocalCompensation = -4;
    s.SkinFile = QStringLiteral("蓝色 skin,1.bmp");
    s.LyricDisplayMode = 100;
    s.CoverAsLyricBackground = 1;
    const QByteArray bytes = SettingsFile::format(s);
    const Settings back = parsed(bytes);
    EXPECT_EQ(SettingsFile::format(back), bytes);
    EXPECT_EQ(back.SkinFile, s.SkinFile);
    EXPECT_EQ(back.VocalCompensation, -4);
}

TEST(SettingsFile, ShortFileSuppliesOnlyItsFields) {
    const Settings s = parsed("\"-1 \",\" 4 \"\r\n");
    EXPECT_EQ(s.RandomPlay, -1);
    EXPECT_EQ(s.CurrentIndex, 4);
    Settings expected;
    expected.RandomPlay = -1;
    expected.CurrentIndex = 4;
    EXPECT_EQ(SettingsFile::format(s), SettingsFile::format(expected));
}

TEST(SettingsFile, FieldsThatAreNotNumbersKeepTheirDefaults) {
    // Letters in field 3, an empty field 5, an out-of-range field 7: the rest is still read.
    const Settings s =
        parsed("\" 0 \",\" 3 \",\"abc\",\" 64 \",\"\",\"0\",\"99999999999\",\"0\"\r\n");
    EXPECT_EQ(s.CurrentIndex, 3);
    EXPECT_EQ(s.ShowMixerOnRecord, -1);
    EXPECT_EQ(s.Mp3BitRate, 64000);
    EXPECT_EQ(s.Mp3SampleRate, 44100);
    EXPECT_EQ(s.AutoDownloadLyrics, 0);
    EXPECT_EQ(s.DownloadWaitSeconds, 10);
    EXPECT_EQ(s.AutoFuzzySearch, 0);
}

TEST(SettingsFile, BooleansAreAnyNonZeroAndNumbersMayLackBlanks) {
    const Settings s = parsed("\"7\",\"12\",\"0\",\"56\"");
    EXPECT_EQ(s.RandomPlay, -1);
    EXPECT_EQ(s.CurrentIndex, 12);
    EXPECT_EQ(s.ShowMixerOnRecord, 0);
    EXPECT_EQ(s.Mp3BitRate, 56000);
}

TEST(SettingsFile, StartupClampsRecordMinutesAndVisualStyle) {
    // A dialog may store 45 minutes; the next start reads it back as 30.
    Settings stored;
    stored.MaxRecordMinutes = 45;
    Settings s = parsed(SettingsFile::format(stored));
    EXPECT_EQ(s.MaxRecordMinutes, 45);
    s.VisualStyle = -3;
    SettingsFile::clampAfterRead(s);
    EXPECT_EQ(s.MaxRecordMinutes, 30);
    EXPECT_EQ(s.VisualStyle, 1);
    s.MaxRecordMinutes = 0;
    s.CoverPictureMode = 0;
    SettingsFile::clampAfterRead(s);
    EXPECT_EQ(s.MaxRecordMinutes, 1);
    EXPECT_EQ(s.CoverPictureMode, 1); // "no picture" does not survive a start
}

TEST(TextFiles, FilesLargerThanTheLimitAreRefusedWithoutBeingRead) {
    TempHome home;
    Settings stored;
    stored.MaxRecordMinutes = 7;
    const QByteArray line = SettingsFile::format(stored);
    // A settings line followed by a sparse tail that makes the file one byte too large.
    for (const char *name : {"big.ini", "ok.ini"}) {
        home.write(QLatin1String(name), line);
        QFile f(home.file(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.resize(qstrcmp(name, "big.ini") == 0 ? TextFile::kMaxBytes + 1
                                                           : TextFile::kMaxBytes));
    }
    EXPECT_FALSE(TextFile::readBytes(home.file(QStringLiteral("big.ini"))));
    EXPECT_FALSE(TextFile::read(home.file(QStringLiteral("big.ini"))));
    Settings big;
    SettingsFile::read(home.file(QStringLiteral("big.ini")), big);
    EXPECT_EQ(big.MaxRecordMinutes, Settings().MaxRecordMinutes);
    Settings ok;
    SettingsFile::read(home.file(QStringLiteral("ok.ini")), ok);
    EXPECT_EQ(ok.MaxRecordMinutes, 7);
}

TEST(SettingsFile, GarbageAndMissingFilesLeaveDefaults) {
    TempHome home;
    Settings s;
    SettingsFile::read(home.file(QStringLiteral("missing.ini")), s);
    EXPECT_EQ(SettingsFile::format(s), kDefaultLine);
    for (const QByteArray &junk : {QByteArray("\""), QByteArray(",,,,"), QByteArray("\xff\xfe\x00"),
                                   QByteArray(5000, '"'), QByteArray("\"\"\"\"\"")}) {
        Settings t = parsed(junk);
        EXPECT_EQ(SettingsFile::format(t), kDefaultLine) << junk.toHex().toStdString();
    }
}

TEST(SettingsFile, GbkSkinNameIsReadAndWrittenAsUtf8) {
    // "皮肤.bmp" in GB18030.
    const QByteArray gbk =
        "\" 0 \",\" 0 \",\" 0 \",\" 128 \",\" 44100 \",\" 0 \",\" 10 \",\" 0 \","
        "\" 1 \",\" 1 \",\" 3 \",\" 1 \",\" 10 \",\" 1 \",\" 1 \",\" 0 \",\" 1 \","
        "\" 1 \",\" 1 \",\" 0 \",\"\xc6\xa4\xb7\xf4.bmp\",\" 2 \",\" 0 \"\r\n";
    const Settings s = parsed(gbk);
    EXPECT_EQ(s.SkinFile, QStringLiteral("皮肤.bmp"));
    EXPECT_TRUE(SettingsFile::format(s).contains(QStringLiteral("皮肤.bmp").toUtf8()));
}

TEST(SettingsFile, WriteReplacesTheFileAtomically) {
    TempHome home;
    const QString path = home.file(QStringLiteral("SetLog.ini"));
    home.write(QStringLiteral("SetLog.ini"), "old content that is longer than the new line........"
                                             "..................................................."
                                             "...................................................");
    ASSERT_TRUE(SettingsFile::write(path, Settings()));
    EXPECT_EQ(home.read(QStringLiteral("SetLog.ini")), kDefaultLine);
    // A folder in the way: writing fails and reports it.
    EXPECT_FALSE(SettingsFile::write(home.file(QStringLiteral("nofolder/SetLog.ini")), Settings()));
}

} // namespace
