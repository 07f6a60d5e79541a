#include "playlist/default_playlist.h"

#include "playlist/playlist_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {
const QString kAppendMark = QStringLiteral("/a ");
}

DefaultPlaylist::DefaultPlaylist(AppPaths paths) : m_paths(std::move(paths)) {}

QString DefaultPlaylist::file() const {
    return m_paths.file(QStringLiteral("List.lvx"));
}

QString DefaultPlaylist::demoFile() const {
    return m_paths.shipped(QStringLiteral("demo/demo.wav"));
}

DefaultPlaylist::Request DefaultPlaylist::interpret(const QString &commandLine,
                                                    const QString &workingFolder) {
    QString line = commandLine.trimmed();
    line.remove(QLatin1Char('"'));
    Request request;
    // "/a" with nothing after it asks to append nothing.
    if (line.isEmpty() || line == kAppendMark.trimmed()) return request;
    const QString folder = workingFolder.isEmpty() ? QDir::currentPath() : workingFolder;
    if (line.startsWith(kAppendMark)) {
        const QString path = line.mid(kAppendMark.size()).trimmed();
        if (path.isEmpty()) return request;
        request.path = PlaylistFile::resolve(path, folder);
        request.kind =
            PlaylistFile::isListFile(path) ? Request::Kind::AppendList : Request::Kind::Append;
        return request;
    }
    request.path = PlaylistFile::resolve(line, folder);
    request.kind =
        PlaylistFile::isListFile(line) ? Request::Kind::ListFile : Request::Kind::Replace;
    return request;
}

void DefaultPlaylist::renameOldFile() const {
    const QString old = m_paths.file(QStringLiteral("List.txt"));
    if (!QFileInfo::exists(file()) && QFileInfo::exists(old)) QFile::rename(old, file());
}

DefaultPlaylist::Result DefaultPlaylist::load(const QString &commandLine, int startIndex,
                                              const QString &workingFolder) const {
    renameOldFile();
    const Request request = interpret(commandLine, workingFolder);
    QString source = file();
    switch (request.kind) {
    case Request::Kind::ListFile:
        source = request.path;
        startIndex = 0;
        break;
    case Request::Kind::Append:
        PlaylistFile::appendItem(file(), request.path);
        break;
    case Request::Kind::Replace:
        PlaylistFile::write(file(), {request.path}, std::nullopt);
        break;
    case Request::Kind::None:
    case Request::Kind::AppendList:
        break;
    }

    Result result;
    if (std::optional<PlaylistFile::Contents> contents = PlaylistFile::read(source)) {
        result.items = contents->items;
        if (contents->index) startIndex = *contents->index;
    }
    if (request.kind == Request::Kind::AppendList) {
        if (std::optional<PlaylistFile::Contents> added = PlaylistFile::read(request.path))
            result.items += added->items;
    }

    if (result.items.isEmpty()) {
        const QString demo = demoFile();
        if (QFileInfo(demo).isFile()) {
            PlaylistFile::appendItem(file(), demo);
            result.items = QStringList{demo};
            result.demoAdded = true;
        }
        startIndex = 0;
    }
    const int last = std::max(0, int(result.items.size()) - 1);
    result.startIndex = std::clamp(startIndex, 0, last);
    return result;
}

bool DefaultPlaylist::save(const QStringList &items, int currentIndex) const {
    if (items.isEmpty()) return true;
    return PlaylistFile::write(file(), items, currentIndex);
}

bool DefaultPlaylist::rewrite(const QStringList &items) const {
    if (items.isEmpty()) return remove();
    return PlaylistFile::write(file(), items, std::nullopt);
}

bool DefaultPlaylist::remove() const {
    return !QFileInfo::exists(file()) || QFile::remove(file());
}
