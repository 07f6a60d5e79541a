#pragma once
// Start-up registration of the playlist file type ".lvx" (every start, earlier values overwritten).
#include <QString>

class FileClassRegistry;

namespace FileTypeRegistration {
// Writes the ".lvx" and "LVX.file" keys. `homeFolder` holds res/lvx.ico; `programPath` is the
// player's executable.
void registerPlaylistType(FileClassRegistry &registry, const QString &homeFolder,
                          const QString &programPath);
} // namespace FileTypeRegistration
