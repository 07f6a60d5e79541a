#include "platform/xdg_association.h"

#include "platform/file_class_registry.h"
#include "platform/text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

namespace XdgAssociation {

namespace {

const char kDesktopFile[] = "lyravox.desktop";
const char kPlaylistMime[] = "application/x-lyravox-playlist";

// Extensions the association dialog offers, plus our playlist type.
const QHash<QString, QString> &mimeTable() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("lvx"), QLatin1String(kPlaylistMime)},
        {QStringLiteral("m3u"), QStringLiteral("audio/x-mpegurl")},
        {QStringLiteral("wav"), QStringLiteral("audio/x-wav")},
        {QStringLiteral("mp3"), QStringLiteral("audio/mpeg")},
        {QStringLiteral("wma"), QStringLiteral("audio/x-ms-wma")},
        {QStringLiteral("asf"), QStringLiteral("video/x-ms-asf")},
        {QStringLiteral("au"), QStringLiteral("audio/basic")},
        {QStringLiteral("snd"), QStringLiteral("audio/basic")},
        {QStringLiteral("avi"), QStringLiteral("video/x-msvideo")},
        {QStringLiteral("dat"), QStringLiteral("video/mpeg")},
        {QStringLiteral("vob"), QStringLiteral("video/mpeg")},
        {QStringLiteral("mid"), QStringLiteral("audio/midi")},
        {QStringLiteral("midi"), QStringLiteral("audio/midi")},
        {QStringLiteral("rmi"), QStringLiteral("audio/midi")},
        {QStringLiteral("mp4"), QStringLiteral("video/mp4")},
        {QStringLiteral("mpeg"), QStringLiteral("video/mpeg")},
        {QStringLiteral("mpg"), QStringLiteral("video/mpeg")},
        {QStringLiteral("wmv"), QStringLiteral("video/x-ms-wmv")},
        {QStringLiteral("wm"), QStringLiteral("video/x-ms-wmv")},
        {QStringLiteral("ra"), QStringLiteral("audio/vnd.rn-realaudio")},
        {QStringLiteral("rm"), QStringLiteral("application/vnd.rn-realmedia")},
        {QStringLiteral("rmvb"), QStringLiteral("application/vnd.rn-realmedia-vbr")},
    };
    return table;
}

QString quoted(const QString &path) {
    QString p = path;
    p.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + p + QLatin1Char('"');
}

// Sets or removes our entries in the [Default Applications] group of mimeapps.list.
QString updatedMimeApps(const QString &old, const QStringList &ours, const QStringList &all) {
    QStringList lines = TextFile::splitLines(old);
    const QString group = QStringLiteral("[Default Applications]");
    qsizetype start = lines.indexOf(group);
    if (start < 0) {
        if (ours.isEmpty()) return old;
        lines << group;
        start = lines.size() - 1;
    }
    qsizetype end = start + 1;
    while (end < lines.size() && !lines.at(end).startsWith(QLatin1Char('[')))
        ++end;
    for (qsizetype i = end - 1; i > start; --i) {
        const QString key = lines.at(i).section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = lines.at(i).section(QLatin1Char('='), 1).trimmed();
        if (all.contains(key) && value == QLatin1String(kDesktopFile)) {
            lines.removeAt(i);
            --end;
        }
    }
    for (const QString &mime : ours) {
        bool present = false;
        for (qsizetype i = start + 1; i < end; ++i)
            if (lines.at(i).section(QLatin1Char('='), 0, 0).trimmed() == mime) present = true;
        if (!present) lines.insert(end++, mime + QLatin1Char('=') + QLatin1String(kDesktopFile));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// Writes `text` unless the file already holds it; true when the file changed.
bool writeIfChanged(const QString &path, const QString &text) {
    if (TextFile::read(path) == std::optional<QString>(text)) return false;
    return TextFile::write(path, text);
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

QStringList associatedExtensions(const FileClassRegistry &registry) {
    QStringList exts;
    const auto &table = mimeTable();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QString cls = registry.getString(QLatin1Char('.') + it.key(), QString());
        const bool ours = it.key() == QStringLiteral("lvx")
                              ? cls == QStringLiteral("LVX.file")
                              : cls == QStringLiteral("Lv.") + it.key();
        if (ours) exts << it.key();
    }
    exts.sort();
    return exts;
}

void apply(const FileClassRegistry &registry, const QString &programPath, const QString &data,
           const QString &config) {
    const QStringList exts = associatedExtensions(registry);
    QStringList mimes;
    for (const QString &ext : exts)
        if (!mimes.contains(mimeTypeFor(ext))) mimes << mimeTypeFor(ext);

    QDir().mkpath(data + QStringLiteral("/mime/packages"));
    const QString lvxComment = registry.getString(QStringLiteral("LVX.file"), QString());
    const QString package =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"%1\">\n"
            "    <comment>%2</comment>\n"
            "    <glob pattern=\"*.lvx\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n")
            .arg(QLatin1String(kPlaylistMime),
                 (lvxComment.isEmpty() ? QStringLiteral("LVX File") : lvxComment).toHtmlEscaped());
    if (writeIfChanged(data + QStringLiteral("/mime/packages/lyravox.xml"), package))
        refreshCache("update-mime-database", data + QStringLiteral("/mime"));

    QDir().mkpath(data + QStringLiteral("/applications"));
    QString desktop =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Lyravox\n"
                       "Comment=卡拉OK播放器\nExec=%1 %f\nTerminal=false\n"
                       "Categories=AudioVideo;Audio;Player;\nMimeType=%2\n")
            .arg(quoted(programPath),
                 mimes.isEmpty() ? QString() : mimes.join(QLatin1Char(';')) + QLatin1Char(';'));
    bool appendVerb = false;
    for (const QString &ext : exts)
        if (registry.keyExists(QStringLiteral("Lv.") + ext +
                               QStringLiteral("\\Shell\\PlayList\\Command")))
            appendVerb = true;
    if (appendVerb)
        desktop +=
            QStringLiteral("Actions=append;\n\n[Desktop Action append]\nName=添加到 Lyravox 列表\n"
                           "Exec=%1 /a %f\n")
                .arg(quoted(programPath));
    if (writeIfChanged(data + QStringLiteral("/applications/") + QLatin1String(kDesktopFile),
                       desktop))
        refreshCache("update-desktop-database", data + QStringLiteral("/applications"));

    QStringList allMimes;
    for (const QString &m : mimeTable())
        allMimes << m;
    const QString mimeApps = config + QStringLiteral("/mimeapps.list");
    const QString old = TextFile::read(mimeApps).value_or(QString());
    const QString updated = updatedMimeApps(old, mimes, allMimes);
    if (updated != old) {
        QDir().mkpath(config);
        TextFile::write(mimeApps, updated);
    }
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
