#pragma once
// The lyric store file that marks a track as having no lyrics: its title as the only lyric line.
#include "platform/app_paths.h"

#include <QString>

namespace NoLyricsFile {

// The track's file in the lyric store "LRCS": "/" and "\" become "_", ":" becomes "-", the last
// 150 characters of that, then ".lrc".
QString storeFile(const AppPaths &paths, const QString &track);
// The file's text: "[0:0]" + title (square brackets made full-width) + CR LF + the hint line.
QString text(const QString &title);
// Writes text(title) to the track's store file; false when it cannot be written.
bool write(const AppPaths &paths, const QString &track, const QString &title);

} // namespace NoLyricsFile
