// The real program killed with SIGKILL at random moments of its start-up and of its closing, while
// it writes the settings (SetLog.ini), the playlist (List.lvx) and lyric files (a .lrc beside a
// track copied into the lyric store on first play): every file is afterwards either the version
// it had before or the one the program was writing, never cut short, empty or gone. Half the
// kills fall inside a write, found through inotify: a file written in place would be caught in a
// few rounds.
// LYRAVOX_KILL_SEED repeats a run; LYRAVOX_KILL_ROUNDS changes the number of rounds.
#include "player_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <random>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// A mono 8 kHz 16-bit WAV of silence.
QByteArray silentWav(double seconds) {
    const quint32 data = quint32(seconds * 8000) * 2;
    QByteArray wav;
    auto u32 = [&](quint32 v) {
        for (int k = 0; k < 4; ++k)
            wav += char((v >> (8 * k)) & 0xff);
    };
    auto u16 = [&](quint16 v) {
        wav += char(v & 0xff);
        wav += char(v >> 8);
    };
    wav += "RIFF";
    u32(36 + data);
    wav += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    wav += "data";
    u32(data);
    wav += QByteArray(int(data), '\0');
    return wav;
}

QByteArray listBytes(const QStringList &items, int index = -1) {
    QByteArray bytes;
    if (index >= 0) bytes += "\">" + QByteArray::number(index) + "\"\r\n";
    for (const QString &item : items)
        bytes += '"' + item.toUtf8() + "\"\r\n";
    return bytes;
}

// True when `bytes` is the playlist of `items`, with or without a current-index line.
bool isList(const QByteArray &bytes, const QStringList &items) {
    const QByteArray body = listBytes(items);
    if (bytes == body) return true;
    static const QRegularExpression indexLine(QStringLiteral("^\">-?[0-9]+\"\r\n"));
    const QRegularExpressionMatch m = indexLine.match(QString::fromUtf8(bytes));
    return m.hasMatch() && bytes.mid(m.capturedLength()) == body;
}

// The 23 quoted fields of a settings line; empty when the bytes are no complete line.
QList<QByteArray> settingsFields(const QByteArray &bytes) {
    if (!bytes.endsWith("\r\n") || bytes.count('\n') != 1) return {};
    QList<QByteArray> fields = bytes.chopped(2).split(',');
    if (fields.size() != 23) return {};
    for (const QByteArray &f : fields)
        if (f.size() < 2 || !f.startsWith('"') || !f.endsWith('"')) return {};
    return fields;
}

constexpr int kCurrentIndex = 1, kAutoDownload = 5, kMaxRecordMinutes = 12, kSkinFile = 20;

// The settings the program writes for `old`: the recording limit clamped to 30 minutes and the
// current index of its playlist; everything else as read.
bool isSavedFrom(const QByteArray &bytes, const QByteArray &old) {
    QList<QByteArray> saved = settingsFields(bytes), before = settingsFields(old);
    if (saved.isEmpty() || before.isEmpty()) return false;
    if (saved[kMaxRecordMinutes] != "\" 30 \"") return false;
    bool number = false;
    saved[kCurrentIndex].mid(1).chopped(1).trimmed().toInt(&number);
    if (!number) return false;
    saved[kMaxRecordMinutes] = before[kMaxRecordMinutes];
    saved[kCurrentIndex] = before[kCurrentIndex];
    return saved == before;
}

// Changes to files of the watched folders whose names start with a prefix, as inotify reports
// them: a write in place, a temporary file created or a file renamed into place.
class WriteWatch {
public:
    explicit WriteWatch(const QStringList &folders)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        for (const QString &folder : folders)
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                              IN_MODIFY | IN_CREATE | IN_MOVED_TO);
    }
    ~WriteWatch() { ::close(m_fd); }
    bool valid() const { return m_fd >= 0; }
    void drain() {
        while (!next().isNull()) {
        }
    }
    // Waits up to `ms` for a change to a name starting with `prefix`; true when one came.
    bool waitFor(const QString &prefix, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            for (QString name = next(); !name.isNull(); name = next())
                if (name.startsWith(prefix)) return true;
            pollfd p{m_fd, POLLIN, 0};
            ::poll(&p, 1, 1);
        }
        return false;
    }

private:
    // The name of the next event; null when none is waiting.
    QString next() {
        if (m_pending.isEmpty()) {
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) return QString();
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                m_pending << (event->len ? QFile::decodeName(event->name) : QStringLiteral(""));
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return m_pending.takeFirst();
    }
    int m_fd;
    QStringList m_pending;
};

class KillDuringSave : public ::testing::Test {
protected:
    KillDuringSave() {
        const QByteArray wav = silentWav(4.0);
        for (int m = 0; m < 4; ++m)
            home.write(QStringLiteral("media/base %1.wav").arg(m), wav);
        m_wav = wav;
    }
    QString base(int m) const { return home.file(QStringLiteral("media/base %1.wav").arg(m)); }
    // Each round's track, with a lyric file beside it.
    QString track(int round) const {
        return home.file(QStringLiteral("media/歌曲 %1.wav").arg(round));
    }
    QByteArray lyric(int round, int lines) const {
        QByteArray text = "[ti:第 " + QByteArray::number(round) + " 轮]\r\n";
        for (int k = 0; k < lines; ++k)
            text += QStringLiteral("[00:%1.%2]第 %3 轮的第 %4 行歌词\r\n")
                        .arg(k / 10 % 60, 2, 10, QLatin1Char('0'))
                        .arg(k % 10 * 10, 2, 10, QLatin1Char('0'))
                        .arg(round)
                        .arg(k)
                        .toUtf8();
        return text;
    }
    void addTrack(int round, const QByteArray &lrc) {
        home.write(QStringLiteral("media/歌曲 %1.wav").arg(round), m_wav);
        home.write(QStringLiteral("media/歌曲 %1.lrc").arg(round), lrc);
        m_lyrics.insert(round, lrc);
    }
    // Every file of the lyric store is the whole .lrc of its track.
    void expectWholeLyricFiles(int *adopted) const {
        static const QRegularExpression name(QStringLiteral("歌曲 ([0-9]+)\\.wav\\.lrc$"));
        const QDir store(home.file(QStringLiteral("LRCS")));
        *adopted = 0;
        for (const QString &file : store.entryList(QDir::Files | QDir::Hidden)) {
            const QRegularExpressionMatch m = name.match(file);
            ASSERT_TRUE(m.hasMatch()) << "unexpected file in the lyric store: " << qPrintable(file);
            const int round = m.captured(1).toInt();
            const QByteArray text = home.read(QStringLiteral("LRCS/") + file);
            EXPECT_TRUE(text == m_lyrics.value(round))
                << "lyric file of round " << round << ": " << text.size() << " bytes of "
                << m_lyrics.value(round).size();
            ++*adopted;
        }
    }

    TempHome home;
    QByteArray m_wav;
    QMap<int, QByteArray> m_lyrics;
};

TEST_F(KillDuringSave, EveryFileIsTheOldOrTheNewVersion) {
    const quint32 seed = qEnvironmentVariableIsSet("LYRAVOX_KILL_SEED")
                             ? quint32(qEnvironmentVariableIntValue("LYRAVOX_KILL_SEED"))
                             : std::random_device{}();
    const int rounds = qEnvironmentVariableIsSet("LYRAVOX_KILL_ROUNDS")
                           ? qEnvironmentVariableIntValue("LYRAVOX_KILL_ROUNDS")
                           : 50;
    std::cout << "LYRAVOX_KILL_SEED=" << seed << std::endl;
    RecordProperty("seed", std::to_string(seed));
    std::mt19937 random(seed);
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };

    // A clean run first: the settings the program writes from nothing, and how long its
    // start-up (until the track's lyric file is in the store) and its closing take here.
    addTrack(0, lyric(0, 3));
    QElapsedTimer clock;
    clock.start();
    QProcess first;
    ASSERT_TRUE(PlayerProcess::start(first, home, {track(0)}));
    int adopted = 0;
    while (clock.elapsed() < 30000) {
        expectWholeLyricFiles(&adopted);
        if (adopted) break;
        QThread::msleep(10);
    }
    ASSERT_EQ(adopted, 1) << "the track's lyric file was not copied into the store";
    const int startup = int(clock.restart());
    PlayerProcess::terminate(first);
    ASSERT_TRUE(first.waitForFinished(30000));
    const int closing = int(clock.elapsed());
    const QByteArray defaults = home.read(QStringLiteral("SetLog.ini"));
    ASSERT_FALSE(settingsFields(defaults).isEmpty()) << defaults.constData();
    std::cout << "start-up " << startup << " ms, closing " << closing << " ms" << std::endl;

    WriteWatch watch({home.path()}), lyricWatch({home.file(QStringLiteral("LRCS"))});
    ASSERT_TRUE(watch.valid() && lyricWatch.valid());
    struct Outcomes {
        int oldVersion = 0, newVersion = 0;
    } settings, playlist;
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round) + ", seed " + std::to_string(seed));
        // The old versions, different in every round.
        QList<QByteArray> fields = settingsFields(defaults);
        fields[kAutoDownload] = "\" 0 \"";
        fields[kMaxRecordMinutes] = "\" " + QByteArray::number(40 + round) + " \"";
        fields[kSkinFile] = "\"skin" + QByteArray::number(round) + ".bmp\"";
        const QByteArray oldSettings = fields.join(',') + "\r\n";
        // Lists and lyrics long enough that writing them takes a while.
        QStringList oldItems;
        for (int k = uniform(1, 3000); k > 0; --k)
            oldItems << base(uniform(0, 3));
        const QByteArray oldList = listBytes(oldItems, uniform(0, int(oldItems.size()) - 1));
        home.write(QStringLiteral("SetLog.ini"), oldSettings);
        home.write(QStringLiteral("List.lvx"), oldList);
        addTrack(round, lyric(round, uniform(1, 3000)));
        // The track is played at once (its lyric copied in) or appended to the list.
        const bool append = uniform(0, 3) == 0;
        const QStringList newItems =
            append ? oldItems + QStringList{track(round)} : QStringList{track(round)};

        // Half the rounds kill at a random moment; the others a random 0-2 ms after the first
        // change to one of the three files, so that the kill falls inside its write.
        static const char *const kTargets[] = {"SetLog.ini", "List.lvx", ""};
        const int mode = uniform(0, 5);
        watch.drain();
        lyricWatch.drain();
        QProcess p;
        ASSERT_TRUE(PlayerProcess::start(p, home,
                                         append ? QStringList{QStringLiteral("/a"), track(round)}
                                                : QStringList{track(round)}));
        const int termAfter = uniform(0, startup + startup / 4);
        if (mode < 3) {
            QThread::msleep(ulong(termAfter));
            PlayerProcess::terminate(p);
            QThread::msleep(ulong(uniform(0, closing + closing / 4)));
        } else {
            // The lyric store is a folder of its own: any change there counts.
            WriteWatch &w = mode == 5 ? lyricWatch : watch;
            if (!w.waitFor(QLatin1String(kTargets[mode - 3]), termAfter)) {
                PlayerProcess::terminate(p);
                w.waitFor(QLatin1String(kTargets[mode - 3]), closing * 2);
            }
            QThread::usleep(ulong(uniform(0, 2000)));
        }
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(30000));

        const QByteArray settingsNow = home.read(QStringLiteral("SetLog.ini"));
        if (settingsNow == oldSettings) {
            ++settings.oldVersion;
        } else {
            EXPECT_TRUE(isSavedFrom(settingsNow, oldSettings))
                << "SetLog.ini is neither version: [" << settingsNow.constData() << "]";
            ++settings.newVersion;
        }
        const QByteArray listNow = home.read(QStringLiteral("List.lvx"));
        if (listNow == oldList) {
            ++playlist.oldVersion;
        } else {
            EXPECT_TRUE(isList(listNow, newItems))
                << "List.lvx is neither version: " << listNow.size() << " bytes ["
                << listNow.left(300).constData() << "]";
            ++playlist.newVersion;
        }
        expectWholeLyricFiles(&adopted);
        // The file class store, written at every start, is whole too.
        const QByteArray classes = home.read(QStringLiteral(".config/lyravox/file-classes.json"));
        EXPECT_TRUE(QJsonDocument::fromJson(classes).isObject()) << classes.constData();
        if (HasFailure()) break;
    }
    // Temporary files of writes cut short (none where the file system has unnamed ones).
    const QStringList litter =
        QDir(home.path())
            .entryList({QStringLiteral("SetLog.ini.*"), QStringLiteral("List.lvx.*")},
                       QDir::Files | QDir::Hidden);
    std::cout << "temporary files left: " << litter.size() << std::endl;
    std::cout << "SetLog.ini: " << settings.oldVersion << " old, " << settings.newVersion
              << " new; List.lvx: " << playlist.oldVersion << " old, " << playlist.newVersion
              << " new; lyric files copied: " << adopted << std::endl;
}

} // namespace
