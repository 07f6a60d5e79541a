// The association rules on a temporary XDG tree: the store, a real mimeapps.list written the way
// other programs write it, and xdg-mime's own answer where xdg-utils is installed.
#include "platform/file_class_registry.h"
#include "platform/text_file.h"
#include "platform/xdg_association.h"
#include "shell/file_association.h"
#include "shell/file_type_registration.h"

#include "temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const FileAssociation::Program kProgram{QStringLiteral("/home/u/.local/share/lyravox"),
                                        QStringLiteral("/bin/true")};

// A desktop of its own: user folders in a TempHome, system folders empty, no desktop session.
class Desktop {
public:
    Desktop() {
        for (const char *name :
             {"XDG_CONFIG_DIRS", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "PATH"}) {
            m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        }
        // The cache tools run in the background: here they would still write into the folder
        // while it is removed.
        for (const char *tool : {"update-mime-database", "update-desktop-database"}) {
            const QString stub = QStringLiteral("bin/") + QLatin1String(tool);
            home.write(stub, "#!/bin/sh\n");
            QFile::setPermissions(home.file(stub), QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH",
                QFile::encodeName(home.file(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
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
    // The entry of `mime` in the user's mimeapps.list as written ("audio/mpeg=vlc.desktop;"),
    // empty when there is none.
    QString userLine(const QString &mime) const {
        const QString text = QString::fromUtf8(home.read(QStringLiteral(".config/mimeapps.list")));
        for (const QString &line : text.split(QLatin1Char('\n')))
            if (line.startsWith(mime + QLatin1Char('='))) return line;
        return QString();
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
    const char *line; // the user's audio/mpeg entry after the uncheck; "" for none
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
    EXPECT_EQ(desk.userLine(mime), QLatin1String(c.line));
}

INSTANTIATE_TEST_SUITE_P(
    Table, AssociationRules,
    ::testing::Values(RuleCase{"NoPreviousDefault", "", 1, "", "", "", ""},
                      RuleCase{"PreviousDefaultIsBackedUp", "vlc.desktop", 1, "", "vlc.desktop",
                               "vlc.desktop", "audio/mpeg=vlc.desktop;"},
                      RuleCase{"ApplyingTwiceKeepsTheFirstBackup", "vlc.desktop", 2, "",
                               "vlc.desktop", "vlc.desktop", "audio/mpeg=vlc.desktop;"},
                      RuleCase{"TakenByAnotherProgramStaysThere", "vlc.desktop", 1, "mpv.desktop",
                               "vlc.desktop", "mpv.desktop", "audio/mpeg=mpv.desktop"},
                      RuleCase{"TheWholeListComesBack", "vlc.desktop;mpv.desktop;", 1, "",
                               "vlc.desktop;mpv.desktop", "vlc.desktop",
                               "audio/mpeg=vlc.desktop;mpv.desktop;"},
                      RuleCase{"IdsNotInstalledComeBackToo", "mpv.desktop;gone.desktop;vlc.desktop",
                               2, "", "mpv.desktop;gone.desktop;vlc.desktop", "mpv.desktop",
                               "audio/mpeg=mpv.desktop;gone.desktop;vlc.desktop;"}),
    [](const auto &test) { return std::string(test.param.name); });

// A backup written before backups held whole lists: one id, given back as before.
TEST(Association, ABackupOfOneIdFromAnEarlierStoreIsRestored) {
    Desktop desk;
    desk.home.write(QStringLiteral(".config/lyravox/file-classes.json"),
                    R"({".mp3": {"": "Lv.mp3", "Lv_Backup": "vlc.desktop"}, "Lv.mp3": {}})");
    desk.setDefaultElsewhere(QStringLiteral("audio/mpeg"), QStringLiteral("lyravox.desktop"));
    {
        FileAssociation::Session s(desk.data(), desk.config());
        EXPECT_TRUE(s.checkedNow()[2]);
    }
    desk.choose({".mp3"}, false);
    EXPECT_EQ(desk.userLine(QStringLiteral("audio/mpeg")),
              QStringLiteral("audio/mpeg=vlc.desktop;"));
}

// Earlier versions named two types by an alias: our id leaves those entries, others' stay.
TEST(Association, OurIdLeavesTheAliasesEarlierVersionsWrote) {
    Desktop desk;
    desk.setDefaultElsewhere(QStringLiteral("video/x-ms-asf"),
                             QStringLiteral("lyravox.desktop;vlc.desktop;"));
    desk.setDefaultElsewhere(QStringLiteral("application/vnd.rn-realmedia-vbr"),
                             QStringLiteral("lyravox.desktop"));
    desk.choose({".asf"}, true);
    EXPECT_EQ(desk.userLine(QStringLiteral("video/x-ms-asf")),
              QStringLiteral("video/x-ms-asf=vlc.desktop;"));
    EXPECT_EQ(desk.userLine(QStringLiteral("application/vnd.rn-realmedia-vbr")), QString());
    EXPECT_EQ(desk.defaultFor(QStringLiteral("application/vnd.ms-asf")),
              XdgAssociation::desktopId());
}

TEST(Association, SharedTypeGoesOnlyWhenNoSiblingStaysChecked) {
    Desktop desk;
    const QString mpeg = QStringLiteral("video/mpeg");
    desk.setDefaultElsewhere(mpeg, QStringLiteral("vlc.desktop"));
    desk.choose({".mpeg", ".mpg"}, true);
    EXPECT_EQ(desk.stored(QStringLiteral(".mpg"), QStringLiteral("Lv_Backup")),
              QStringLiteral("vlc.desktop"));
    desk.choose({".mpeg"}, false);
    expectDefault(desk, mpeg, XdgAssociation::desktopId());
    {
        FileAssociation::Session s(desk.data(), desk.config());
        const std::vector<bool> now = s.checkedNow();
        EXPECT_FALSE(now[12]); // .mpeg
        EXPECT_TRUE(now[13]);  // .mpg
        EXPECT_FALSE(now[8]);  // .vob shares the type but was never checked
    }
    // Checking the never-checked sibling now must not take our own id as its backup.
    desk.choose({".vob"}, true);
    EXPECT_EQ(desk.stored(QStringLiteral(".vob"), QStringLiteral("Lv_Backup")),
              QStringLiteral("vlc.desktop"));
    desk.choose({".mpg", ".vob"}, false);
    expectDefault(desk, mpeg, QStringLiteral("vlc.desktop"));
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

// The MIME types and globs of a shared-mime-info package file, and the sub-classes.
struct PackageTypes {
    QMap<QString, QStringList> globs;
    QMap<QString, QString> subClassOf;
};

PackageTypes readPackage(const QByteArray &xml) {
    PackageTypes types;
    QXmlStreamReader reader(xml);
    QString current;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) continue;
        const QString type = reader.attributes().value(QStringLiteral("type")).toString();
        if (reader.name() == QStringLiteral("mime-type")) {
            current = type;
            types.globs[current];
        } else if (reader.name() == QStringLiteral("glob")) {
            types.globs[current] << reader.attributes().value(QStringLiteral("pattern")).toString();
        } else if (reader.name() == QStringLiteral("sub-class-of")) {
            types.subClassOf[current] = type;
        }
    }
    EXPECT_FALSE(reader.hasError()) << qPrintable(reader.errorString());
    return types;
}

QByteArray shippedPackage() {
    QFile f(qEnvironmentVariable("LYRAVOX_SOURCE_DIR") +
            QStringLiteral("/data/desktop/lyravox-mime.xml"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(f.fileName());
    return f.readAll();
}

TEST(MimeTypes, ThePackageWeInstallAndTheOneWeWriteAgree) {
    Desktop desk;
    FileClassRegistry r(desk.home.file(QStringLiteral("classes.json")));
    ASSERT_TRUE(XdgAssociation::apply(r, kProgram.programPath, desk.data(), desk.config()));
    const PackageTypes written =
        readPackage(desk.home.read(QStringLiteral(".local/share/mime/packages/lyravox.xml")));
    const PackageTypes shipped = readPackage(shippedPackage());
    EXPECT_EQ(written.globs, shipped.globs);
    EXPECT_EQ(written.subClassOf, shipped.subClassOf);
    EXPECT_EQ(written.globs.value(QStringLiteral("application/x-lyravox-playlist")),
              QStringList{QStringLiteral("*.lvx")});
}

// Every extension the dialog offers has a type whose globs hold it: shared-mime-info's own
// (by its canonical name) or one our package ships. A type borrowed from another extension
// would carry that extension's files along.
TEST(MimeTypes, EveryExtensionsTypeHoldsItsGlob) {
    const PackageTypes ours = readPackage(shippedPackage());
    const QMimeDatabase db;
    QStringList exts = FileAssociation::captions();
    exts << QStringLiteral(".lvx");
    for (const QString &dotted : exts) {
        const QString mime = XdgAssociation::mimeTypeFor(dotted.mid(1));
        const QString glob = QLatin1Char('*') + dotted;
        if (ours.globs.contains(mime)) {
            EXPECT_TRUE(ours.globs.value(mime).contains(glob)) << qPrintable(dotted);
            for (const QMimeType &known : db.mimeTypesForFileName(QStringLiteral("a") + dotted))
                EXPECT_TRUE(ours.globs.contains(known.name()))
                    << qPrintable(dotted) << ": shared-mime-info has " << qPrintable(known.name());
            continue;
        }
        const QMimeType type = db.mimeTypeForName(mime);
        ASSERT_TRUE(type.isValid()) << qPrintable(dotted) << " " << qPrintable(mime);
        EXPECT_EQ(type.name(), mime) << qPrintable(dotted) << ": an alias";
        EXPECT_TRUE(type.globPatterns().contains(glob))
            << qPrintable(dotted) << " " << qPrintable(mime) << " holds "
            << qPrintable(type.globPatterns().join(QLatin1Char(' ')));
    }
    // Our sub-classes name real types.
    for (const QString &parent : ours.subClassOf)
        EXPECT_TRUE(db.mimeTypeForName(parent).isValid()) << qPrintable(parent);
}

// Checking one extension makes us the default of its type alone (the type that holds its glob):
// every other type keeps the default it had, and the dialog shows that one extension checked.
TEST(MimeTypes, CheckingOneExtensionTakesNoOtherType) {
    // The globs first: the desktops below have no system folders.
    const QMimeDatabase db;
    const PackageTypes ours = readPackage(shippedPackage());
    const QStringList &captions = FileAssociation::captions();
    QMap<QString, QStringList> globs; // per type
    for (const QString &e : captions) {
        const QString mime = XdgAssociation::mimeTypeFor(e.mid(1));
        globs[mime] = ours.globs.contains(mime) ? ours.globs.value(mime)
                                                : db.mimeTypeForName(mime).globPatterns();
    }
    for (const QString &dotted : captions) {
        SCOPED_TRACE(qPrintable(dotted));
        Desktop desk;
        for (const QString &mime : globs.keys())
            desk.setDefaultElsewhere(mime, QStringLiteral("vlc.desktop"));
        desk.choose({qPrintable(dotted)}, true);

        const QStringList held = globs.value(XdgAssociation::mimeTypeFor(dotted.mid(1)));
        FileAssociation::Session reopened(desk.data(), desk.config());
        const std::vector<bool> now = reopened.checkedNow();
        for (qsizetype i = 0; i < captions.size(); ++i) {
            const QString other = XdgAssociation::mimeTypeFor(captions.at(i).mid(1));
            const bool sameType = held.contains(QLatin1Char('*') + captions.at(i));
            EXPECT_EQ(now[size_t(i)], captions.at(i) == dotted) << qPrintable(captions.at(i));
            EXPECT_EQ(desk.defaultFor(other),
                      sameType ? XdgAssociation::desktopId() : QStringLiteral("vlc.desktop"))
                << qPrintable(captions.at(i)) << " " << qPrintable(other);
        }
    }
}

// What is in a folder tree, link by link: kind, size, inode and time of change.
QStringList snapshot(const QString &root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        lstat(QFile::encodeName(path).constData(), &st);
        entries << QStringLiteral("%1 %2 %3 %4 %5.%6")
                       .arg(path)
                       .arg(st.st_mode)
                       .arg(st.st_size)
                       .arg(st.st_ino)
                       .arg(st.st_mtim.tv_sec)
                       .arg(st.st_mtim.tv_nsec);
    }
    entries.sort();
    return entries;
}

struct UnreadableCase {
    const char *name;
    void (*make)(const Desktop &desk);
    bool needsNonRoot; // a permission that root passes
};

class UnreadableDefaults : public ::testing::TestWithParam<UnreadableCase> {};

// A mimeapps.list we cannot read whole is never rewritten: neither the dialog nor the start-up
// registration changes anything, and the dialog learns why.
TEST_P(UnreadableDefaults, NothingIsChanged) {
    const UnreadableCase c = GetParam();
    if (c.needsNonRoot && geteuid() == 0) GTEST_SKIP() << "root reads every file";
    Desktop desk;
    c.make(desk);
    const QStringList before = snapshot(desk.home.path());
    EXPECT_FALSE(XdgAssociation::userDefaultsReadable(desk.config()));

    FileAssociation::Session session(desk.data(), desk.config());
    std::vector<bool> all(size_t(FileAssociation::captions().size()), true);
    const auto outcome = session.commit(all, kProgram);
    EXPECT_EQ(outcome, FileAssociation::Session::Outcome::Unreadable);
    const QString message = session.message(outcome);
    EXPECT_TRUE(message.contains(desk.mimeApps())) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("没有更改"))) << qPrintable(message);

    FileClassRegistry startup(desk.home.file(QStringLiteral("classes.json")));
    FileTypeRegistration::registerPlaylistType(startup, desk.home.path(), kProgram.programPath);
    EXPECT_FALSE(XdgAssociation::readDesktopDefaults(startup, desk.data(), desk.config()));
    EXPECT_FALSE(XdgAssociation::apply(startup, kProgram.programPath, desk.data(), desk.config()));
    EXPECT_EQ(snapshot(desk.home.path()), before);
}

const QByteArray kUserDefaults = "[Default Applications]\naudio/mpeg=vlc.desktop;mpv.desktop;\n";

INSTANTIATE_TEST_SUITE_P(
    Table, UnreadableDefaults,
    ::testing::Values(
        UnreadableCase{"NotUtf8",
                       [](const Desktop &d) {
                           // A comment in GBK ("歌曲"): decoding and writing back would alter it.
                           d.home.write(QStringLiteral(".config/mimeapps.list"),
                                        kUserDefaults + "# \xb8\xe8\xc7\xfa\n");
                       },
                       false},
        UnreadableCase{"NoReadPermission",
                       [](const Desktop &d) {
                           d.home.write(QStringLiteral(".config/mimeapps.list"), kUserDefaults);
                           chmod(QFile::encodeName(d.mimeApps()).constData(), 0);
                       },
                       true},
        UnreadableCase{"AFolder",
                       [](const Desktop &d) { QDir().mkpath(d.mimeApps() + QStringLiteral("/x")); },
                       false},
        UnreadableCase{"ALinkToNothing",
                       [](const Desktop &d) {
                           QDir().mkpath(d.config());
                           QFile::link(d.home.file(QStringLiteral("dotfiles/mimeapps.list")),
                                       d.mimeApps());
                       },
                       false},
        UnreadableCase{"LargerThanAnyTextFile",
                       [](const Desktop &d) {
                           d.home.write(QStringLiteral(".config/mimeapps.list"), kUserDefaults);
                           QFile f(d.mimeApps());
                           ASSERT_TRUE(f.resize(TextFile::kMaxBytes + 1)); // sparse
                       },
                       false}),
    [](const auto &test) { return std::string(test.param.name); });

// The session remembers that it began on an unreadable file: mended in between, the choices
// made on the wrong picture are still not applied.
TEST(Association, ASessionBegunOnAnUnreadableFileDoesNotCommit) {
    Desktop desk;
    desk.home.write(QStringLiteral(".config/mimeapps.list"), kUserDefaults + "\xff\n");
    FileAssociation::Session session(desk.data(), desk.config());
    desk.home.write(QStringLiteral(".config/mimeapps.list"), kUserDefaults);
    std::vector<bool> all(size_t(FileAssociation::captions().size()), true);
    EXPECT_EQ(session.commit(all, kProgram), FileAssociation::Session::Outcome::Unreadable);
    EXPECT_EQ(desk.home.read(QStringLiteral(".config/mimeapps.list")), kUserDefaults);
    // Opened again on the mended file, the dialog applies and keeps the other defaults.
    FileAssociation::Session again(desk.data(), desk.config());
    std::vector<bool> some(all.size(), false);
    some[0] = true; // .m3u
    EXPECT_EQ(again.commit(some, kProgram), FileAssociation::Session::Outcome::Done);
    EXPECT_EQ(desk.userLine(QStringLiteral("audio/mpeg")),
              QStringLiteral("audio/mpeg=vlc.desktop;mpv.desktop;"));
    EXPECT_EQ(desk.defaultFor(QStringLiteral("audio/x-mpegurl")), XdgAssociation::desktopId());
}

} // namespace
