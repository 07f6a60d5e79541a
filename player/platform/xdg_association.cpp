#include "platform/xdg_association.h"

#include "platform/file_class_registry.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>

namespace XdgAssociation {

namespace {

const char kDesktopFile[] = "lyravox.desktop";
const char kPlaylistMime[] = "application/x-lyravox-playlist";

// Types of our own for extensions that shared-mime-info gives no type: a type borrowed from
// another extension would carry that extension's files along.
struct OwnType {
    const char *mime;
    const char *ext;
    const char *subClassOf; // "" for none
    const char *comment;
    const char *commentZh;
};
const OwnType kOwnTypes[] = {
    {kPlaylistMime, "lvx", "", "LVX File", "Lyravox 播放列表"},
    {"video/x-lyravox-vcd", "dat", "video/mpeg", "Video CD video", "VCD 视频"},
    {"audio/x-lyravox-rmid", "rmi", "audio/x-riff", "RIFF MIDI audio", "RIFF MIDI 音频"},
    {"video/x-lyravox-wm", "wm", "application/vnd.ms-asf", "Windows Media video",
     "Windows Media 视频"},
};

// Extensions the association dialog offers, plus our playlist type. Each type is the one whose
// globs hold the extension (shared-mime-info's canonical name, not an alias), or one of ours.
const QHash<QString, QString> &mimeTable() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t = {
            {QStringLiteral("m3u"), QStringLiteral("audio/x-mpegurl")},
            {QStringLiteral("wav"), QStringLiteral("audio/x-wav")},
            {QStringLiteral("mp3"), QStringLiteral("audio/mpeg")},
            {QStringLiteral("wma"), QStringLiteral("audio/x-ms-wma")},
            {QStringLiteral("asf"), QStringLiteral("application/vnd.ms-asf")},
            {QStringLiteral("au"), QStringLiteral("audio/basic")},
            {QStringLiteral("snd"), QStringLiteral("audio/basic")},
            {QStringLiteral("avi"), QStringLiteral("video/x-msvideo")},
            {QStringLiteral("vob"), QStringLiteral("video/mpeg")},
            {QStringLiteral("mid"), QStringLiteral("audio/midi")},
            {QStringLiteral("midi"), QStringLiteral("audio/midi")},
            {QStringLiteral("mp4"), QStringLiteral("video/mp4")},
            {QStringLiteral("mpeg"), QStringLiteral("video/mpeg")},
            {QStringLiteral("mpg"), QStringLiteral("video/mpeg")},
            {QStringLiteral("wmv"), QStringLiteral("video/x-ms-wmv")},
            {QStringLiteral("ra"), QStringLiteral("audio/vnd.rn-realaudio")},
            {QStringLiteral("rm"), QStringLiteral("application/vnd.rn-realmedia")},
            {QStringLiteral("rmvb"), QStringLiteral("application/vnd.rn-realmedia")},
        };
        for (const OwnType &own : kOwnTypes)
            t.insert(QLatin1String(own.ext), QLatin1String(own.mime));
        return t;
    }();
    return table;
}

// An Exec argument: quoted only when it holds a character the desktop entry format reserves
// (xdg-mime reads the first word of Exec as the program, quotes and all).
QString execArgument(const QString &path) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool plain = !path.isEmpty();
    for (const QChar c : path)
        if (reserved.contains(c)) plain = false;
    if (plain) return path;
    QString p = path;
    p.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""))
        .replace(QLatin1Char('`'), QStringLiteral("\\`"))
        .replace(QLatin1Char('$'), QStringLiteral("\\$"));
    return QLatin1Char('"') + p + QLatin1Char('"');
}

QStringList searchPath(const char *variable, const QString &fallback) {
    const QString value = qEnvironmentVariable(variable);
    return (value.isEmpty() ? fallback : value).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

// The folders holding mimeapps.list, most important first, as xdg-mime searches them.
QStringList mimeAppsFolders(const QString &data, const QString &config) {
    QStringList folders{config};
    folders << searchPath("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    QStringList dataDirs{data};
    dataDirs << searchPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString &d : dataDirs)
        folders << d + QStringLiteral("/applications");
    return folders;
}

// True when a desktop entry of that id is installed (vendor prefixes as sub-folders too).
bool desktopEntryExists(const QString &id, const QString &data) {
    if (id == QLatin1String(kDesktopFile)) return true; // apply() writes it
    QStringList dataDirs{data};
    dataDirs << searchPath("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    QString nested = id;
    const qsizetype dash = nested.lastIndexOf(QLatin1Char('-'));
    if (dash > 0) nested[dash] = QLatin1Char('/');
    for (const QString &d : dataDirs)
        if (QFileInfo::exists(d + QStringLiteral("/applications/") + id) ||
            QFileInfo::exists(d + QStringLiteral("/applications/") + nested))
            return true;
    return false;
}

// The value of `mime` in the [Default Applications] group of a mimeapps.list text; empty when
// the group does not name it.
QString defaultsEntry(const QString &text, const QString &mime) {
    bool inDefaults = false;
    for (const QString &line : TextFile::splitLines(text)) {
        if (line.startsWith(QLatin1Char('['))) {
            inDefaults = line.trimmed() == QLatin1String("[Default Applications]");
        } else if (inDefaults && line.section(QLatin1Char('='), 0, 0).trimmed() == mime) {
            return line.section(QLatin1Char('='), 1).trimmed();
        }
    }
    return QString();
}

// Sets (non-empty value) or drops (empty value: our desktop id leaves the entry) default
// applications in the [Default Applications] group; the other groups and entries stay.
QString updatedMimeApps(const QString &old, const QMap<QString, QString> &changes) {
    QStringList lines = TextFile::splitLines(old);
    const QString group = QStringLiteral("[Default Applications]");
    qsizetype start = lines.indexOf(group);
    if (start < 0) {
        lines << group;
        start = lines.size() - 1;
    }
    qsizetype end = start + 1;
    while (end < lines.size() && !lines.at(end).startsWith(QLatin1Char('[')))
        ++end;
    for (auto change = changes.begin(); change != changes.end(); ++change) {
        bool found = false;
        for (qsizetype i = start + 1; i < end; ++i) {
            if (lines.at(i).section(QLatin1Char('='), 0, 0).trimmed() != change.key()) continue;
            found = true;
            if (!change.value().isEmpty()) {
                lines[i] = change.key() + QLatin1Char('=') + change.value();
                continue;
            }
            QStringList ids = lines.at(i)
                                  .section(QLatin1Char('='), 1)
                                  .trimmed()
                                  .split(QLatin1Char(';'), Qt::SkipEmptyParts);
            ids.removeAll(QLatin1String(kDesktopFile));
            if (ids.isEmpty()) {
                lines.removeAt(i--);
                --end;
            } else {
                lines[i] =
                    change.key() + QLatin1Char('=') + ids.join(QLatin1Char(';')) + QLatin1Char(';');
            }
        }
        if (!found && !change.value().isEmpty())
            lines.insert(end++, change.key() + QLatin1Char('=') + change.value());
    }
    if (end == start + 1) { // an empty group we may have added
        if (!old.contains(group)) lines.removeAt(start);
    }
    QString text = lines.join(QLatin1Char('\n'));
    return text.isEmpty() ? text : text + QLatin1Char('\n');
}

// The mimeapps.list files that decide the default applications, read once, most important
// first.
class DefaultsChain {
public:
    DefaultsChain(const QString &data, const QString &config) : m_data(data) {
        QStringList prefixes;
        for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                          .split(QLatin1Char(':'), Qt::SkipEmptyParts))
            prefixes << desktop.toLower() + QLatin1Char('-');
        prefixes << QString();
        for (const QString &folder : mimeAppsFolders(data, config))
            for (const QString &prefix : prefixes)
                if (std::optional<QString> text = TextFile::read(
                        folder + QLatin1Char('/') + prefix + QStringLiteral("mimeapps.list")))
                    m_texts << *text;
    }
    // The first installed id, and the whole list of the entry that names it (ids the
    // desktop passes over included), joined by ';'.
    struct Entry {
        QString id;
        QString list;
    };
    Entry lookupEntry(const QString &mime) const {
        for (const QString &text : m_texts) {
            QStringList ids;
            for (const QString &id :
                 defaultsEntry(text, mime).split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (!id.trimmed().isEmpty()) ids << id.trimmed();
            for (const QString &id : ids)
                if (desktopEntryExists(id, m_data)) return {id, ids.join(QLatin1Char(';'))};
        }
        return {};
    }
    QString lookup(const QString &mime) const { return lookupEntry(mime).id; }

private:
    QString m_data;
    QStringList m_texts;
};

// The media extensions (without the dot) that share `ext`'s MIME type, `ext` included.
QStringList siblings(const QString &ext) {
    QStringList exts;
    const QString mime = mimeTypeFor(ext);
    for (const QString &e : mediaExtensions())
        if (mimeTypeFor(e) == mime) exts << e;
    return exts;
}

QString mediaClass(const QString &ext) {
    return QStringLiteral("Lv.") + ext;
}

QString dotted(const QString &ext) {
    return QLatin1Char('.') + ext;
}

// Writes `text` unless the file already holds it; true when the file changed.
bool writeIfChanged(const QString &path, const QString &text) {
    if (TextFile::read(path) == std::optional<QString>(text)) return false;
    return TextFile::write(path, text);
}

QString userMimeApps(const QString &config) {
    return config + QStringLiteral("/mimeapps.list");
}

// The user's mimeapps.list as text; nullopt when it is there (a dangling link counts) but
// cannot be read whole or is not UTF-8, as the format requires. Such a file is never rewritten:
// what we could not read would be lost.
std::optional<QString> readUserMimeApps(const QString &config) {
    const QString path = userMimeApps(config);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return QString();
    const std::optional<QByteArray> bytes = TextFile::readBytes(path);
    if (!bytes) return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(*bytes);
    if (utf8.hasError()) return std::nullopt;
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

// Runs a desktop cache tool on `folder` in the background; skipped when it is not installed.
void refreshCache(const char *tool, const QString &folder) {
    const QString program = QStandardPaths::findExecutable(QLatin1String(tool));
    if (program.isEmpty()) return;
    QProcess process;
    process.setProgram(program);
    process.setArguments({folder});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

} // namespace

QString mimeTypeFor(const QString &ext) {
    return mimeTable().value(ext.toLower());
}

QStringList mediaExtensions() {
    QStringList exts;
    for (auto it = mimeTable().begin(); it != mimeTable().end(); ++it)
        if (it.value() != QLatin1String(kPlaylistMime)) exts << it.key();
    exts.sort();
    return exts;
}

QString desktopId() {
    return QLatin1String(kDesktopFile);
}

QStringList associatedExtensions(const FileClassRegistry &registry) {
    QStringList exts;
    const auto &table = mimeTable();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QString cls = registry.getString(dotted(it.key()), QString());
        const bool ours = it.key() == QStringLiteral("lvx") ? cls == QStringLiteral("LVX.file")
                                                            : cls == mediaClass(it.key());
        if (ours) exts << it.key();
    }
    exts.sort();
    return exts;
}

QString defaultApplication(const QString &mime, const QString &data, const QString &config) {
    return DefaultsChain(data, config).lookup(mime);
}

bool userDefaultsReadable(const QString &config) {
    return readUserMimeApps(config).has_value();
}

QString mimeApplicationsFile(const QString &config) {
    return userMimeApps(config);
}

QString mimePackage(const QString &playlistComment) {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const OwnType &own : kOwnTypes) {
        const bool playlist = QLatin1String(own.mime) == QLatin1String(kPlaylistMime);
        const QString comment = playlist && !playlistComment.isEmpty()
                                    ? playlistComment
                                    : QString::fromUtf8(own.comment);
        xml += QStringLiteral("  <mime-type type=\"%1\">\n").arg(QLatin1String(own.mime));
        xml += QStringLiteral("    <comment>%1</comment>\n").arg(comment.toHtmlEscaped());
        xml += QStringLiteral("    <comment xml:lang=\"zh_CN\">%1</comment>\n")
                   .arg(QString::fromUtf8(own.commentZh));
        if (*own.subClassOf)
            xml += QStringLiteral("    <sub-class-of type=\"%1\"/>\n")
                       .arg(QLatin1String(own.subClassOf));
        xml += QStringLiteral("    <glob pattern=\"*.%1\"/>\n").arg(QLatin1String(own.ext));
        xml += QStringLiteral("  </mime-type>\n");
    }
    return xml + QStringLiteral("</mime-info>\n");
}

bool readDesktopDefaults(FileClassRegistry &registry, const QString &data, const QString &config) {
    // Without the user's own defaults every type would look like nobody's.
    if (!userDefaultsReadable(config)) return false;
    const DefaultsChain chain(data, config);
    QHash<QString, DefaultsChain::Entry> defaults; // per MIME type
    for (const QString &ext : mediaExtensions()) {
        const QString mime = mimeTypeFor(ext);
        if (!defaults.contains(mime)) defaults.insert(mime, chain.lookupEntry(mime));
    }
    // First decide every value from the store as it was read, then write them.
    QMap<QString, QString> values;
    for (const QString &ext : mediaExtensions()) {
        const DefaultsChain::Entry current = defaults.value(mimeTypeFor(ext));
        const QString cls = registry.getString(dotted(ext), QString());
        // Another program's default: the whole list, so that a restore gives all of it back.
        QString value = current.list;
        if (current.id == QLatin1String(kDesktopFile)) {
            // The desktop opens the type with us: through this extension, through a sibling
            // that shares its MIME type (whose backup is then the previous default), or
            // through a choice made outside the association dialog.
            value = mediaClass(ext);
            if (cls != mediaClass(ext)) {
                for (const QString &sibling : siblings(ext))
                    if (registry.getString(dotted(sibling), QString()) == mediaClass(sibling))
                        value = registry.getString(dotted(sibling), QStringLiteral("Lv_Backup"));
            }
        }
        values.insert(ext, value);
    }
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (registry.getString(dotted(it.key()), QString()) == it.value()) continue;
        registry.createKey(dotted(it.key()));
        registry.setString(dotted(it.key()), QString(), it.value());
    }
    return true;
}

bool apply(const FileClassRegistry &registry, const QString &programPath, const QString &data,
           const QString &config) {
    if (!userDefaultsReadable(config)) return false;
    const QStringList exts = associatedExtensions(registry);
    QStringList mimes;
    for (const QString &ext : exts)
        if (!mimes.contains(mimeTypeFor(ext))) mimes << mimeTypeFor(ext);

    QDir().mkpath(data + QStringLiteral("/mime/packages"));
    const QString package = mimePackage(registry.getString(QStringLiteral("LVX.file"), QString()));
    if (writeIfChanged(data + QStringLiteral("/mime/packages/lyravox.xml"), package))
        refreshCache("update-mime-database", data + QStringLiteral("/mime"));

    QDir().mkpath(data + QStringLiteral("/applications"));
    QString desktop =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Lyravox\n"
                       "Comment=卡拉OK播放器\nIcon=lyravox\nExec=%1 %f\nTerminal=false\n"
                       "Categories=AudioVideo;Audio;Player;\nMimeType=%2\n")
            .arg(execArgument(programPath),
                 mimes.isEmpty() ? QString() : mimes.join(QLatin1Char(';')) + QLatin1Char(';'));
    bool appendVerb = false;
    for (const QString &ext : exts)
        if (registry.keyExists(mediaClass(ext) + QStringLiteral("\\Shell\\PlayList\\Command")))
            appendVerb = true;
    if (appendVerb)
        desktop +=
            QStringLiteral("Actions=append;\n\n[Desktop Action append]\nName=添加到 Lyravox 列表\n"
                           "Exec=%1 /a %f\n")
                .arg(execArgument(programPath));
    if (writeIfChanged(data + QStringLiteral("/applications/") + QLatin1String(kDesktopFile),
                       desktop))
        refreshCache("update-desktop-database", data + QStringLiteral("/applications"));

    // Default applications per MIME type: ours while any extension of the type is ours;
    // otherwise, where the desktop still opens the type with us, the value the store gives back
    // (the previous default) or none. Types another program holds are left alone.
    const DefaultsChain chain(data, config);
    QMap<QString, QString> changes;
    const auto &table = mimeTable();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QString mime = it.value();
        if (changes.contains(mime)) continue;
        if (mimes.contains(mime)) {
            if (chain.lookup(mime) != QLatin1String(kDesktopFile))
                changes.insert(mime, QLatin1String(kDesktopFile));
            continue;
        }
        if (chain.lookup(mime) != QLatin1String(kDesktopFile)) continue;
        QString previous;
        for (auto e = table.begin(); e != table.end(); ++e) {
            if (e.value() != mime) continue;
            const QString value = registry.getString(dotted(e.key()), QString());
            if (!value.isEmpty() && value != QLatin1String(kDesktopFile) &&
                !value.startsWith(QStringLiteral("Lv.")) && value != QStringLiteral("LVX.file"))
                // A list of ids, written as the file keeps lists.
                previous =
                    value.split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(';')) +
                    QLatin1Char(';');
        }
        changes.insert(mime, previous);
    }
    // Names earlier versions wrote for types whose canonical name is used now: our id leaves
    // them, other programs' ids stay.
    for (const char *former : {"video/x-ms-asf", "application/vnd.rn-realmedia-vbr"})
        changes.insert(QLatin1String(former), QString());
    // Read again right before the rewrite: what cannot be read now is not replaced.
    const std::optional<QString> old = readUserMimeApps(config);
    if (!old) return false;
    const QString updated = updatedMimeApps(*old, changes);
    if (updated == *old) return true;
    QDir().mkpath(config);
    return TextFile::write(userMimeApps(config), updated); // a new file renamed into place
}

QString dataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    return xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : xdg;
}

QString configHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : xdg;
}

} // namespace XdgAssociation
