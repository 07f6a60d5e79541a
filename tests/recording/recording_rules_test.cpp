// The recording rules without a server: capture format choice, the seconds rule and the buffer
// sizing, the save name rule, WAV writing, the spool of a take, the capture buffer, the volume
// scale and the panel's percentage.
#include "recording/capture_buffer.h"
#include "recording/capture_setup.h"
#include "recording/input_panel_controller.h"
#include "recording/take_file.h"
#include "recording/wave_in_recorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

using CaptureSetup::Warning;

TEST(CaptureFormat, TakesTheFirstSupportedInThePreferredOrder) {
    struct Case {
        std::function<bool(const AudioFormat &)> supported;
        bool found;
        AudioFormat expected;
    };
    const Case cases[] = {
        {[](const AudioFormat &) { return true; }, true, {44100, 2, 16}},
        {[](const AudioFormat &f) { return f.bits == 8; }, true, {44100, 2, 8}},
        {[](const AudioFormat &f) { return f.rate == 22050; }, true, {22050, 2, 16}},
        {[](const AudioFormat &f) { return f.rate == 11025 && f.bits == 8; }, true, {11025, 2, 8}},
        // Every stereo format comes before any mono one.
        {[](const AudioFormat &f) { return f.channels == 1; }, true, {44100, 1, 16}},
        {[](const AudioFormat &f) { return f.channels == 1 && f.rate == 11025 && f.bits == 8; },
         true,
         {11025, 1, 8}},
        {[](const AudioFormat &) { return false; }, false, {}},
    };
    for (const Case &c : cases) {
        AudioFormat got{1, 1, 1};
        EXPECT_EQ(CaptureSetup::chooseFormat(c.supported, got), c.found);
        if (c.found) {
            EXPECT_EQ(got.rate, c.expected.rate);
            EXPECT_EQ(got.channels, c.expected.channels);
            EXPECT_EQ(got.bits, c.expected.bits);
        }
    }
}

TEST(CaptureSetupRule, SizesTheBufferForTheSecondsPlusTheReserveAndWarns) {
    const AudioFormat cd{44100, 2, 16};
    const AudioFormat low{11025, 1, 8}; // 11025 bytes per second: halves round to even
    struct Case {
        double requested, stored;
        int maxMinutes;
        AudioFormat format;
        double seconds;
        size_t bytes;
        QList<Warning> warnings;
    };
    const Case cases[] = {
        {60, 1, 10, cd, 60, 63u * 176400u, {}},
        // The maximum itself is allowed; the buffer holds it plus the reserve: 603 s.
        {600, 1, 10, cd, 600, 603u * 176400u, {}},
        {600.5, 1, 10, cd, 600, 603u * 176400u, {Warning::OverMaximum}},
        // Twelve minutes of track left with a maximum of ten minutes.
        {721, 1, 10, cd, 600, 603u * 176400u, {Warning::OverMaximum}},
        // A previous set-up beyond a maximum lowered since.
        {60, 900, 10, cd, 600, 603u * 176400u, {Warning::OverMaximum}},
        {0, 1, 10, cd, 600, 603u * 176400u, {Warning::NotPositive}},
        {-5, 1, 2, cd, 120, 123u * 176400u, {Warning::NotPositive}},
        {30, 0, 1, cd, 60, 63u * 176400u, {Warning::NotPositive}},
        {0.5, 1, 10, low, 0.5, 38588, {}},
        {1.5, 1, 10, low, 1.5, 49612, {}},
    };
    for (const Case &c : cases) {
        const CaptureSetup::Plan p =
            CaptureSetup::plan(c.requested, c.stored, c.maxMinutes, c.format);
        EXPECT_DOUBLE_EQ(p.seconds, c.seconds) << c.requested;
        EXPECT_EQ(p.bytes, c.bytes) << c.requested;
        EXPECT_EQ(p.warnings, c.warnings) << c.requested;
    }
}

TEST(CaptureSetupRule, WarningTextsNameTheMinutes) {
    EXPECT_EQ(
        CaptureSetup::warningText(Warning::OverMaximum, 10),
        QStringLiteral("录音开始时间距离曲目结束时间超过程序最大录音缓存时间设置：10分钟。\r\n"
                       "如果电脑内存不足或录音时间超过10分钟，录音均可能无效！"));
    EXPECT_EQ(CaptureSetup::warningText(Warning::NotPositive, 3),
              QStringLiteral("程序的最大录音缓存时间设置为3分钟。\r\n"
                             "如果电脑内存不足或录音时间超过3分钟，录音均可能无效！"));
    EXPECT_EQ(CaptureSetup::warningTitle(), QStringLiteral("DirectSoundCapture 录音提示"));
}

TEST(TakeNames, ProposedNameAndSavePath) {
    EXPECT_EQ(TakeFile::proposedName(QDateTime(QDate(2006, 3, 15), QTime(14, 25, 30))),
              QStringLiteral("Rec060315142530"));
    EXPECT_EQ(TakeFile::proposedName(QDateTime(QDate(2031, 1, 2), QTime(3, 4, 5))),
              QStringLiteral("Rec310102030405"));
    const std::pair<const char *, const char *> cases[] = {
        {"/t/a", "/t/a.wav"},
        {"/t/a.wav", "/t/a.wav"},
        {"/t/a.wav.wav", "/t/a.wav"},
        {"/t/a.WAV", "/t/a.WAV.wav"},
        // Only the file name's end counts: a folder named like a take stays as it is.
        {"/t/my.wav/take", "/t/my.wav/take.wav"},
        {"/t/a.wavx", "/t/a.wavx.wav"},
        {"/t/.wav", "/t/.wav.wav"},
    };
    for (const auto &[chosen, expected] : cases)
        EXPECT_EQ(TakeFile::savePath(QString::fromUtf8(chosen)), QString::fromUtf8(expected))
            << chosen;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

uint32_t le32(const QByteArray &b, int at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
uint16_t le16(const QByteArray &b, int at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

TEST(TakeFileWriting, WritesACanonicalPcmWaveAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("take.wav"));
    const AudioFormat formats[] = {{44100, 2, 16}, {22050, 1, 8}};
    for (const AudioFormat &f : formats) {
        QByteArray data(4 * 441, '\0');
        for (int k = 0; k < data.size(); ++k)
            data[k] = char(k * 7);
        ASSERT_TRUE(TakeFile::writeWav(path, f, data.constData(), size_t(data.size())));
        const QByteArray file = readAll(path);
        ASSERT_EQ(file.size(), 44 + data.size());
        EXPECT_EQ(file.left(4), "RIFF");
        EXPECT_EQ(le32(file, 4), uint32_t(36 + data.size()));
        EXPECT_EQ(file.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(le32(file, 16), 16u);
        EXPECT_EQ(le16(file, 20), 1u);
        EXPECT_EQ(le16(file, 22), uint16_t(f.channels));
        EXPECT_EQ(le32(file, 24), uint32_t(f.rate));
        EXPECT_EQ(le32(file, 28), uint32_t(f.bytesPerSecond()));
        EXPECT_EQ(le16(file, 32), uint16_t(f.blockAlign()));
        EXPECT_EQ(le16(file, 34), uint16_t(f.bits));
        EXPECT_EQ(file.mid(36, 4), "data");
        EXPECT_EQ(le32(file, 40), uint32_t(data.size()));
        EXPECT_EQ(file.mid(44), data);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("take.wav")});
    // A folder that does not exist: failure, no file.
    EXPECT_FALSE(TakeFile::writeWav(dir.filePath(QStringLiteral("no/such/take.wav")), formats[0],
                                    "abcd", 4));
}

TEST(TakeSpoolFile, IsAValidWavWhileLiveAndOnlyADeadOneIsRecovered) {
    QTemporaryDir dir;
    const QString temp = dir.filePath(QStringLiteral("TEMP"));
    const QString takes = dir.filePath(QStringLiteral("takes"));
    const QString spools = TakeSpool::folder(temp);
    const AudioFormat f{44100, 2, 16};
    QByteArray captured(4000, '\0');
    for (int k = 0; k < captured.size(); ++k)
        captured[k] = char(k);
    QByteArray left;
    {
        TakeSpool spool;
        ASSERT_TRUE(spool.open(temp, f));
        ASSERT_TRUE(spool.append(captured.constData(), 1000));
        ASSERT_TRUE(spool.append(captured.constData(), 1000));     // nothing new
        ASSERT_TRUE(spool.append(captured.constData(), 4002 - 3)); // a frame not yet whole
        // The file as it stands is a WAV file of the whole frames so far.
        const QByteArray live = readAll(spool.path());
        EXPECT_EQ(live.size(), 44 + 3999);
        EXPECT_EQ(le32(live, 40), 3996u);
        EXPECT_EQ(le32(live, 4), 36u + 3996u);
        // Another player (another lock) neither moves nor removes it.
        EXPECT_TRUE(TakeSpool::recoverOrphans(temp, takes).isEmpty());
        EXPECT_EQ(readAll(spool.path()), live);
        ASSERT_TRUE(spool.append(captured.constData(), 4000));
        EXPECT_EQ(spool.written(), 4000u);
        // The player dies here: the file stays, as a process killed now would leave it.
        left = readAll(spool.path());
    }
    // A clean end removes the spool.
    EXPECT_TRUE(QDir(spools).entryList(QDir::Files).isEmpty());
    left.append("\x01\x02\x03", 3);                 // a frame cut short by the kill
    qToLittleEndian<quint32>(0u, left.data() + 40); // sizes not written yet
    QFile out(spools + QStringLiteral("/take-dead.wav"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(left);
    out.close();

    const QStringList kept = TakeSpool::recoverOrphans(temp, takes);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept[0].startsWith(takes + QStringLiteral("/Rec")));
    EXPECT_TRUE(kept[0].endsWith(QStringLiteral(".wav")));
    EXPECT_FALSE(QFile::exists(out.fileName()));
    const QByteArray file = readAll(kept[0]);
    ASSERT_EQ(file.size(), 44 + 4000);
    EXPECT_EQ(le32(file, 4), 36u + 4000u);
    EXPECT_EQ(le32(file, 40), 4000u);
    EXPECT_EQ(file.mid(44), captured);
    EXPECT_EQ(file.left(44).mid(20, 16), TakeFile::wavHeader(f, 0).mid(20, 16));

    // Nothing left, or an empty spool: nothing kept (the empty one is removed).
    EXPECT_TRUE(TakeSpool::recoverOrphans(temp, takes).isEmpty());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(TakeFile::wavHeader(f, 0));
    out.close();
    EXPECT_TRUE(TakeSpool::recoverOrphans(temp, takes).isEmpty());
    EXPECT_FALSE(QFile::exists(out.fileName()));
}

TEST(TakeSpoolFile, AKeptSpoolMovesIntoTheTakesAndIsReportedOnce) {
    QTemporaryDir dir;
    const QString temp = dir.filePath(QStringLiteral("TEMP"));
    const QString takes = dir.filePath(QStringLiteral("takes"));
    const AudioFormat f{22050, 1, 16};
    TakeSpool empty;
    ASSERT_TRUE(empty.open(temp, f));
    EXPECT_TRUE(empty.keep(temp, takes).isEmpty()) << "nothing recorded, nothing kept";
    TakeSpool spool;
    ASSERT_TRUE(spool.open(temp, f));
    const QByteArray pcm(1001, '\x05'); // the odd byte is no whole frame
    ASSERT_TRUE(spool.append(pcm.constData(), 1001));
    const QString kept = spool.keep(temp, takes);
    ASSERT_TRUE(kept.startsWith(takes + QStringLiteral("/Rec")));
    EXPECT_FALSE(spool.isOpen());
    const QByteArray file = readAll(kept);
    ASSERT_EQ(file.size(), 44 + 1000);
    EXPECT_EQ(le32(file, 40), 1000u);
    EXPECT_EQ(TakeSpool::keptAtExit(temp), QStringList{kept});
    EXPECT_TRUE(TakeSpool::keptAtExit(temp).isEmpty());
    EXPECT_TRUE(QDir(TakeSpool::folder(temp)).entryList(QDir::Files).isEmpty());
}

TEST(CaptureBufferReads, AppendsUpToItsSizeAndHandsOutTheLatestSamples) {
    CaptureBuffer buffer({44100, 2, 16}, 10 * 4 + 3); // rounded down to whole frames
    EXPECT_EQ(buffer.size(), 40u);
    int16_t ramp[30];
    for (int k = 0; k < 30; ++k)
        ramp[k] = int16_t(k - 10);
    EXPECT_EQ(buffer.append(reinterpret_cast<const char *>(ramp), 24), 24u);
    int16_t out[100] = {};
    EXPECT_EQ(buffer.latestSamples(out, 8), 8u);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(out[k], ramp[4 + k]);
    EXPECT_EQ(buffer.latestSamples(out, 100), 12u); // only what was captured
    EXPECT_FALSE(buffer.full());
    // The rest fills it; what does not fit is dropped.
    EXPECT_EQ(buffer.append(reinterpret_cast<const char *>(ramp + 12), 36), 16u);
    EXPECT_TRUE(buffer.full());
    EXPECT_EQ(buffer.readPosition(), 40u);
    EXPECT_EQ(buffer.append(reinterpret_cast<const char *>(ramp), 2), 0u);
    EXPECT_EQ(buffer.latestSamples(out, 1), 1u);
    EXPECT_EQ(out[0], ramp[19]);

    CaptureBuffer bytes({11025, 1, 8}, 4);
    const unsigned char u8[] = {0, 128, 255};
    bytes.append(reinterpret_cast<const char *>(u8), 3);
    int16_t wide[3] = {};
    EXPECT_EQ(bytes.latestSamples(wide, 3), 3u);
    EXPECT_EQ(wide[0], -32768);
    EXPECT_EQ(wide[1], 0);
    EXPECT_EQ(wide[2], 127 * 256);
}

TEST(VolumeScale, AveragesChannelsClampsAndMapsNormToFullScale) {
    struct Case {
        QList<uint32_t> channels;
        int line;
    };
    const Case cases[] = {
        {{65536, 65536}, 65535},
        {{0, 0}, 0},
        {{65536, 0}, 32768},
        {{32768}, 32768},
        {{131072, 65536}, 65535}, // beyond 100 %: clamped
        {{}, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(WaveInRecorder::toLineVolume(c.channels), c.line);
    EXPECT_EQ(WaveInRecorder::toServerVolume(65535), 65536u);
    EXPECT_EQ(WaveInRecorder::toServerVolume(0), 0u);
    EXPECT_EQ(WaveInRecorder::toServerVolume(-4), 0u);
    EXPECT_EQ(WaveInRecorder::toServerVolume(70000), 65536u);
    for (int v : {1, 2, 100, 32767, 40000, 65534})
        EXPECT_EQ(WaveInRecorder::toLineVolume({WaveInRecorder::toServerVolume(v)}), v) << v;
}

TEST(VolumePercentage, IsTheWholePercentOfTheMaximum) {
    const std::pair<int, const char *> cases[] = {{65535, "100%"}, {32767, "49%"}, {32768, "50%"},
                                                  {0, "0%"},       {655, "0%"},    {656, "1%"}};
    for (const auto &[value, text] : cases)
        EXPECT_EQ(InputPanelController::percentText(value), QString::fromUtf8(text)) << value;
}

} // namespace
