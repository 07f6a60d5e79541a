#include "platform/file_class_registry.h"
#include "platform/xdg_association.h"
#include "shell/file_type_registration.h"

#include "temp_home.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(FileClassRegistry, KeysValuesAndPersistence) {
    TempHome home;
    const QString store = home.file(QStringLiteral("cfg/classes.json"));
    {
        FileClassRegistry r(store);
        r.setString(QStringLiteral(".mp3"), QString(), QStringLiteral("x")); // no key yet: nothing
        EXPECT_EQ(r.getString(QStringLiteral(".mp3"), QString()), QString());
        r.createKey(QStringLiteral("Lv.mp3\\Shell\\Open\\Command"));
        EXPECT_TRUE(r.keyExists(QStringLiteral("Lv.mp3")));
        EXPECT_TRUE(r.keyExists(QStringLiteral("Lv.mp3\\Shell")));
        r.setString(QStringLiteral("Lv.mp3"), QString(), QStringLiteral("MP3 文件"));
        r.setString(QStringLiteral("Lv.mp3"), QStringLiteral("Lv_Backup"), QStringLiteral("old"));
        r.createKey(QStringLiteral("Lv.mp3")); // an existing key keeps its values
        EXPECT_EQ(r.getString(QStringLiteral("Lv.mp3"), QString()), QStringLiteral("MP3 文件"));
        ASSERT_TRUE(r.save());
    }
    FileClassRegistry again(store);
    EXPECT_EQ(again.getString(QStringLiteral("Lv.mp3"), QString()), QStringLiteral("MP3 文件"));
    EXPECT_EQ(again.getString(QStringLiteral("Lv.mp3"), QStringLiteral("Lv_Backup")),
              QStringLiteral("old"));
    home.write(QStringLiteral("cfg/broken.json"), "{not json");
    FileClassRegistry broken(home.file(QStringLiteral("cfg/broken.json")));
    EXPECT_FALSE(broken.keyExists(QStringLiteral(".lvx")));
}

TEST(FileTypeRegistration, PlaylistTypeReachesTheDesktopFiles) {
    TempHome home;
    FileClassRegistry r(home.file(QStringLiteral("classes.json")));
    const QString program = QStringLiteral("/opt/歌 房/bin/lyravox");
    FileTypeRegistration::registerPlaylistType(r, QStringLiteral("/home/u/.local/share/lyravox"),
                                               program);
    EXPECT_EQ(r.getString(QStringLiteral(".lvx"), QString()), QStringLiteral("LVX.file"));
    EXPECT_EQ(r.getString(QStringLiteral("LVX.file\\Shell\\Open\\Command"), QString()),
              QStringLiteral("\"/opt/歌 房/bin/lyravox\" \"%1\""));
    EXPECT_EQ(r.getString(QStringLiteral("LVX.file\\DefaultIcon"), QString()),
              QStringLiteral("/home/u/.local/share/lyravox/res/lvx.ico,0"));

    home.write(QStringLiteral("cfg/mimeapps.list"),
               "[Default Applications]\naudio/mpeg=vlc.desktop\n\n[Added Associations]\nx=y\n");
    XdgAssociation::apply(r, program, home.file(QStringLiteral("data")),
                          home.file(QStringLiteral("cfg")));
    const QString desktop =
        QString::fromUtf8(home.read(QStringLiteral("data/applications/lyravox.desktop")));
    EXPECT_TRUE(desktop.contains(QStringLiteral("Exec=\"/opt/歌 房/bin/lyravox\" %f")));
    EXPECT_TRUE(desktop.contains(QStringLiteral("MimeType=application/x-lyravox-playlist;")));
    EXPECT_TRUE(home.read(QStringLiteral("data/mime/packages/lyravox.xml")).contains("*.lvx"));
    const QByteArray apps = home.read(QStringLiteral("cfg/mimeapps.list"));
    EXPECT_TRUE(apps.contains("application/x-lyravox-playlist=lyravox.desktop"));
    EXPECT_TRUE(apps.contains("audio/mpeg=vlc.desktop")); // others' entries stay
    EXPECT_TRUE(apps.contains("[Added Associations]\nx=y"));

    // Giving ".lvx" away removes only our default.
    r.setString(QStringLiteral(".lvx"), QString(), QString());
    XdgAssociation::apply(r, program, home.file(QStringLiteral("data")),
                          home.file(QStringLiteral("cfg")));
    const QByteArray after = home.read(QStringLiteral("cfg/mimeapps.list"));
    EXPECT_FALSE(after.contains("lyravox.desktop"));
    EXPECT_TRUE(after.contains("audio/mpeg=vlc.desktop"));
}

TEST(FileTypeRegistration, MediaClassesCountOnlyWhenTheyAreOurs) {
    TempHome home;
    FileClassRegistry r(home.file(QStringLiteral("classes.json")));
    r.createKey(QStringLiteral(".mp3"));
    r.setString(QStringLiteral(".mp3"), QString(), QStringLiteral("Lv.mp3"));
    r.createKey(QStringLiteral(".wav"));
    r.setString(QStringLiteral(".wav"), QString(), QStringLiteral("OtherPlayer.wav"));
    EXPECT_EQ(XdgAssociation::associatedExtensions(r), QStringList{QStringLiteral("mp3")});
    EXPECT_EQ(XdgAssociation::mimeTypeFor(QStringLiteral("MP3")), QStringLiteral("audio/mpeg"));
}

} // namespace

TEST(FileTypeRegistration, DesktopCachesAreRefreshedOnlyWhenOurFilesChange) {
    TempHome home;
    // Stand-ins for update-mime-database and update-desktop-database that log their folder.
    const QString bin = home.file(QStringLiteral("bin"));
    const QString log = home.file(QStringLiteral("refresh.log"));
    for (const char *tool : {"update-mime-database", "update-desktop-database"}) {
        const QString path = bin + QLatin1Char('/') + QLatin1String(tool);
        home.write(QStringLiteral("bin/") + QLatin1String(tool),
                   "#!/bin/sh\necho \"$(basename \"$0\") $1\" >> '" + log.toUtf8() + "'\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ':' + oldPath);
    FileClassRegistry r(home.file(QStringLiteral("classes.json")));
    FileTypeRegistration::registerPlaylistType(r, home.path(), QStringLiteral("/usr/bin/lyravox"));
    const QString data = home.file(QStringLiteral("data"));
    const QString config = home.file(QStringLiteral("cfg"));
    auto logLines = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   : QStringList();
    };
    XdgAssociation::apply(r, QStringLiteral("/usr/bin/lyravox"), data, config);
    for (int waited = 0; logLines().size() < 2 && waited < 5000; waited += 20)
        QThread::msleep(20);
    XdgAssociation::apply(r, QStringLiteral("/usr/bin/lyravox"), data, config); // nothing new
    QThread::msleep(300);
    qputenv("PATH", oldPath);
    QStringList lines = logLines();
    lines.sort();
    EXPECT_EQ(lines, QStringList({QStringLiteral("update-desktop-database ") + data +
                                      QStringLiteral("/applications"),
                                  QStringLiteral("update-mime-database ") + data +
                                      QStringLiteral("/mime")}));
}
