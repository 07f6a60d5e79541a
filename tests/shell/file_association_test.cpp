// The association rules on a temporary XDG tree: the store, a real mimeapps.list written the way
// other programs write it, and xdg-mime's own answer where xdg-utils is installed.
#include "platform/file_class_registry.h"
#include "platform/xdg_association.h"
#include "shell/file_association.h"

#include "temp_home.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const FileAssociation::Program kProgram{QStringLiteral("/home/u/.local/share/lyravox"),
                                        QStringLiteral("/bin/true")};

// A desktop of its own: user folders in a TempHome, system folders empty, no desktop session.
class Desktop {
public:
    Desktop() {
        for (const char *name : {"XDG_CONFIG_DIRS", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"}) {
            m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        }
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(home.file(QStringLiteral("etc-xdg"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(home.file(QStringLiteral("usr-share"))));
        qunsetenv("XDG_CURRENT_DESKTOP");
        for (const char *player : {"vlc", "mpv"})
            home.write(
                QStringLiteral(".local/share/applications/%1.desktop").arg(QLatin1String(player)),
                "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/true %f\n");
    }
    ~Desktop() {
        for (const Saved &s : m_saved)
            s.had ? qputenv(s.name, s.value) : qunsetenv(s.name);
    }
    QString data() const { return home.file(QStringLiteral(".local/share")); }
    QString config() const { return home.file(QStringLiteral(".config")); }
    QString mimeApps() const { return config() + QStringLiteral("/mimeapps.list"); }

    // Another program makes `id` the default of `mime`, the way it edits mimeapps.list.
    void setDefaultElsewhere(const QString &mime, const QString &id) const {
        QString text = QString::fromUtf8(home.read(QStringLiteral(".config/mimeapps.list")));
        QStringList lines = text.split(QLatin1Char('\n'));
        lines.removeIf([&](const QString &l) { return l.startsWith(mime + QLatin1Char('=')); });
        qsizetype group = lines.indexOf(QStringLiteral("[Default Applications]"));
        if (group < 0) {
            lines.prepend(QStringLiteral("[Default Applications]"));
            group = 0;
        }
        lines.insert(group + 1, mime + QLatin1Char('=') + id);
        home.write(QStringLiteral(".config/mimeapps.list"), lines.join(QLatin1Char('\n')).toUtf8());
    }
    QString defaultFor(const QString &mime) const {
        return XdgAssociation::defaultApplication(mime, data(), config());
    }
    // Runs the dialog's round trip: open, set the boxes of `exts` to `on`, 确 定.
    void choose(std::initializer_list<const char *> exts, bool on) const {
        FileAssociation::Session session(data(), config());
        std::vector<bool> checked = session.checkedNow();
        for (const char *ext : exts)
            checked[size_t(FileAssociation::captions().indexOf(QLatin1String(ext)))] = on;
        session.commit(checked, kProgram);
    }
    QString stored(const QString &key, const QString &value = QString()) const {
        return FileClassRegistry(config() + QStringLiteral("/lyravox/file-classes.json"))
            .getString(key, value);
    }

    TempHome home;

private:
    struct Saved {
        const char *name;
        QByteArray value;
        bool had;
    };
    std::vector<Saved> m_saved;
};

// xdg-mime's answer, or "n/a" without xdg-utils.
QString xdgMimeDefault(const QString &mime) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (tool.isEmpty()) return QStringLiteral("n/a");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DE", "KDE_FULL_SESSION", "KDE_SESSION_VERSION",
                             "GNOME_DESKTOP_SESSION_ID", "DESKTOP_SESSION", "XDG_MENU_PREFIX"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(tool, {QStringLiteral("query"), QStringLiteral("default"), mime});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void expectDefault(const Desktop &desk, const QString &mime, const QString &id) {
    EXPECT_EQ(desk.defaultFor(mime), id) << qPrintable(mime);
    // With no default set, xdg-mime goes on to the desktop's caches: only a set one is compared.
    if (id.isEmpty()) return;
    const QString xdg = xdgMimeDefault(mime);
    if (xdg != QStringLiteral("n/a")) {
        EXPECT_EQ(xdg, id) << "xdg-mime " << qPrintable(mime);
    }
}

struct RuleCase {
    const char *name;
    const char *previous;   // default of audio/mpeg before the dialog; "" for none
    int checks;             // how often ".mp3" is checked and applied
    const char *takenLater; // a program that takes audio/mpeg after the association, or ""
    const char *backup;     // expected Lv_Backup afterwards
    const char *afterUncheck;
};

class AssociationRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(AssociationRules, CheckAppliesAndUncheckRestores) {
    const RuleCase c = GetParam();
    Desktop desk;
    const QString mime = QStringLiteral("audio/mpeg");
    if (*c.previous) desk.setDefaultElsewhere(mime, QLatin1String(c.previous));
    for (int k = 0; k < c.checks; ++k)
        desk.choose({".mp3"}, true);
    expectDefault(desk, mime, XdgAssociation::desktopId());
    EXPECT_EQ(desk.stored(QStringLiteral(".mp3")), QStringLiteral("Lv.mp3"));
    EXPECT_EQ(desk.stored(QStringLiteral(".mp3"), QStringLiteral("Lv_Backup")),
              QLatin1String(c.backup));

    if (*c.takenLater) {
        desk.setDefaultElsewhere(mime, QLatin1String(c.takenLater));
        FileAssociation::Session reopened(desk.data(), desk.config());
        EXPECT_FALSE(reopened.checkedNow()[2]) << "a type another program took is not ours";
    }
    desk.choose({".mp3"}, false);
    expectDefault(desk, mime, QLatin1String(c.afterUncheck));
}

INSTANTIATE_TEST_SUITE_P(
    Table, AssociationRules,
    ::testing::Values(RuleCase{"NoPreviousDefault", "", 1, "", "", ""},
                      RuleCase{"PreviousDefaultIsBackedUp", "vlc.desktop", 1, "", "vlc.desktop",
                               "vlc.desktop"},
                      RuleCase{"ApplyingTwiceKeepsTheFirstBackup", "vlc.desktop", 2, "",
                               "vlc.desktop", "vlc.desktop"},
                      RuleCase{"TakenByAnotherProgramStaysThere", "vlc.desktop", 1, "mpv.desktop",
                               "vlc.desktop", "mpv.desktop"}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(Association, SharedTypeGoesOnlyWhenNoSiblingStaysChecked) {
    Desktop desk;
    const QString midi = QStringLiteral("audio/midi");
    desk.setDefaultElsewhere(midi, QStringLiteral("vlc.desktop"));
    desk.choose({".mid", ".midi"}, true);
    EXPECT_EQ(desk.stored(QStringLiteral(".midi"), QStringLiteral("Lv_Backup")),
              QStringLiteral("vlc.desktop"));
    desk.choose({".mid"}, false);
    expectDefault(desk, midi, XdgAssociation::desktopId());
    {
        FileAssociation::Session s(desk.data(), desk.config());
        const std::vector<bool> now = s.checkedNow();
        EXPECT_FALSE(now[9]);  // .mid
        EXPECT_TRUE(now[10]);  // .midi
        EXPECT_FALSE(now[18]); // .rmi shares the type but was never checked
    }
    // Checking the never-checked sibling now must not take our own id as its backup.
    desk.choose({".rmi"}, true);
    EXPECT_EQ(desk.stored(QStringLiteral(".rmi"), QStringLiteral("Lv_Backup")),
              QStringLiteral("vlc.desktop"));
    desk.choose({".midi", ".rmi"}, false);
    expectDefault(desk, midi, QStringLiteral("vlc.desktop"));
}

TEST(Association, ClassKeysFollowTheLayout) {
    Desktop desk;
    FileClassRegistry r(desk.home.file(QStringLiteral("classes.json")));
    const FileAssociation::Program program{QStringLiteral("/home/用户/.local/share/lyravox"),
                                           QStringLiteral("/opt/歌 房/lyravox")};
    for (const char *ext : {"m3u", "wav", "midi"})
        FileAssociation::associate(r, QLatin1String(ext), program);
    EXPECT_EQ(r.getString(QStringLiteral("Lv.m3u\\DefaultIcon"), QString()),
              program.homeFolder + QStringLiteral("/res/lvx.ico,0"));
    EXPECT_FALSE(r.keyExists(QStringLiteral("Lv.m3u\\Shell\\PlayList")));
    EXPECT_EQ(r.getString(QStringLiteral("Lv.wav\\DefaultIcon"), QString()),
              program.homeFolder + QStringLiteral("/res/Default.ico,0"));
    EXPECT_EQ(r.getString(QStringLiteral("Lv.wav\\Shell\\PlayList"), QString()),
              QStringLiteral("添加到 Lyravox 列表(&A)"));
    EXPECT_EQ(r.getString(QStringLiteral("Lv.wav\\Shell\\PlayList\\Command"), QString()),
              QStringLiteral("\"/opt/歌 房/lyravox\" /a \"%1\""));
    EXPECT_EQ(r.getString(QStringLiteral("Lv.wav\\Shell\\Open\\Command"), QString()),
              QStringLiteral("\"/opt/歌 房/lyravox\" \"%1\""));
    EXPECT_EQ(r.getString(QStringLiteral("Lv.wav"), QString()), QStringLiteral("WAV 文件"));
    EXPECT_EQ(r.getString(QStringLiteral("Lv.midi"), QString()), QStringLiteral("MIDI 文件"));
    // Unchecking an extension that had no class before leaves its value empty.
    FileAssociation::dissociate(r, QStringLiteral("wav"));
    EXPECT_TRUE(r.keyExists(QStringLiteral(".wav")));
    EXPECT_EQ(r.getString(QStringLiteral(".wav"), QString()), QString());
    EXPECT_TRUE(r.keyExists(QStringLiteral("Lv.wav"))); // the class stays
}

TEST(Association, MimeAppsIsReplacedNotRewrittenInPlace) {
    Desktop desk;
    desk.setDefaultElsewhere(QStringLiteral("video/mp4"), QStringLiteral("mpv.desktop"));
    desk.home.write(QStringLiteral(".config/mimeapps.list"),
                    desk.home.read(QStringLiteral(".config/mimeapps.list")) +
                        "\n[Added Associations]\nimage/png=gimp.desktop;\n");
    struct stat before {};
    ASSERT_EQ(stat(QFile::encodeName(desk.mimeApps()).constData(), &before), 0);
    desk.choose({".mp3"}, true);
    struct stat after {};
    ASSERT_EQ(stat(QFile::encodeName(desk.mimeApps()).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file renamed onto the old one";
    const QByteArray text = desk.home.read(QStringLiteral(".config/mimeapps.list"));
    EXPECT_TRUE(text.contains("video/mp4=mpv.desktop"));
    EXPECT_TRUE(text.contains("audio/mpeg=lyravox.desktop"));
    EXPECT_TRUE(text.contains("[Added Associations]\nimage/png=gimp.desktop;"));
}

} // namespace
