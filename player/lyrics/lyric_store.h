#pragma once
// The lyric store "LRCS": the player's own copy of every track's lyric file. Lyrics are always
// read from the store; an LRC file beside a local track is copied in when the store has none.
#include <QString>
#include <QStringList>
#include <optional>

class LyricStore {
public:
    // `folder` is the store folder (AppPaths::lyricStore()).
    explicit LyricStore(QString folder);

    const QString &folder() const { return m_folder; }

    // The store file name of a track's path or address, without the folder: "\" and "/"
    // become "_", ":" becomes "-", the last 150 characters are kept, ".lrc" is added
    // ("/home/a/b.mp3" -> "_home_a_b.mp3.lrc"). Fewer characters are kept when their UTF-8
    // form would not fit in a file name of 255 bytes.
    static QString storeFileName(const QString &track);
    // Folder + "/" + storeFileName(track).
    QString LyricStoreName(const QString &track) const;

    // The LRC file beside a local track: its extension replaced by "lrc" (or ".lrc" added when
    // the file name has none). Empty for network addresses.
    static QString trackFolderFile(const QString &track);

    // When the store has no file for the track and the track folder has one, copies it in
    // (errors ignored). True when it copied.
    bool adoptTrackFolderFile(const QString &track) const;

    // Writes the marker of a track without lyrics: one [0:0] line with the title (its square
    // brackets made full-width) and a hint line. False when it cannot be written.
    bool WriteNoLyricsFile(const QString &track, const QString &title) const;
    // The same marker written when a lyric search found nothing: its hint says so.
    bool WriteNotFoundFile(const QString &track, const QString &title) const;

    // Copies a chosen lyric file over the track's store file. False on failure.
    bool replaceWith(const QString &track, const QString &sourceFile) const;
    // Deletes the track's store file; true when no store file remains.
    bool remove(const QString &track) const;

private:
    bool writeMarker(const QString &track, const QString &title, const QStringList &hint) const;

    QString m_folder;
};

// What a lookup found: the store file and its decoded text (nullopt when it cannot be read).
struct LyricLookupResult {
    QString storeFile;
    std::optional<QString> text;
};

// The file part of FindLyrics: store name, adoption of the track-folder file, reading.
LyricLookupResult lookUpLyrics(const LyricStore &store, const QString &track);
