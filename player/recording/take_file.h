#pragma once
// Takes on disk: the save name rule, writing a take as a PCM WAV file (through a temporary
// file renamed into place), and the spool that keeps a take safe while it is recorded.
#include "platform/audio_input.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <cstddef>

namespace TakeFile {

// The proposed file name: "Rec" + yyMMddhhmmss of `when`.
QString proposedName(const QDateTime &when);
// The chosen path with a trailing ".wav" of the file name removed (case-sensitive; repeated
// ones too) and ".wav" appended: "a.wav.wav" -> "a.wav", "a.WAV" -> "a.WAV.wav".
QString savePath(const QString &chosen);
// The canonical 44-byte header of a PCM WAV file holding `dataBytes` bytes.
QByteArray wavHeader(const AudioFormat &format, uint32_t dataBytes);
// Writes the header and `bytes` of `data` straight from memory; the file appears complete or
// not at all. False on any failure.
bool writeWav(const QString &path, const AudioFormat &format, const char *data, size_t bytes);

} // namespace TakeFile

// While recording, the captured bytes are appended to a WAV file of its own in TEMP/recording,
// so that a take survives a player that dies mid-take. The file's sizes are kept up to date with
// every append, and the recording window holds an exclusive lock on it (flock) for as long as it
// records: the lock dies with the process, and while it is held no other window or process
// moves, recovers or deletes the file. A clean stop removes the spool; keep() moves it into the
// takes folder; the next start of a player keeps what a dead one left (recoverOrphans).
class TakeSpool {
public:
    // The folder of the spools inside TEMP (emptying TEMP leaves it alone).
    static QString folder(const QString &tempFolder) {
        return tempFolder + QStringLiteral("/recording");
    }

    TakeSpool() = default;
    ~TakeSpool() { discard(); }
    TakeSpool(const TakeSpool &) = delete;
    TakeSpool &operator=(const TakeSpool &) = delete;

    // A new spool file, locked; false when it cannot be made. `kind` starts its name: "take"
    // spools are recovered after a crash, any other kind is only removed then.
    bool open(const QString &tempFolder, const AudioFormat &format,
              const QString &kind = QStringLiteral("take"));
    // Appends bytes [written(), upTo) of `data` and brings the header's sizes up to date.
    bool append(const char *data, size_t upTo);
    size_t written() const { return m_written; }
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    // Closes and removes the spool file.
    void discard();
    // Moves the spool into `takesFolder` as Rec<now>.wav and notes it for the next start
    // (keptAtExit). Returns the new path, empty when there was nothing to keep.
    QString keep(const QString &tempFolder, const QString &takesFolder);

    // Spools no live player holds (left by a player that died): each header is mended from the
    // file's length and the file moved to `takesFolder` as Rec<time of the file>.wav. Returns
    // the new paths; empty and unreadable spools are removed.
    static QStringList recoverOrphans(const QString &tempFolder, const QString &takesFolder);
    // The takes keep() moved since the last call (their notes are removed).
    static QStringList keptAtExit(const QString &tempFolder);

private:
    QFile m_file;
    AudioFormat m_format;
    size_t m_written = 0;
};
