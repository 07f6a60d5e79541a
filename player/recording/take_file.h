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

// While recording, the captured bytes are appended to a WAV file in TEMP, so that a take
// survives a player that dies mid-take. A clean stop removes the spool; the next start of a
// player that died keeps it (recoverOrphan).
class TakeSpool {
public:
    // The spool file's name inside TEMP.
    static QString fileName() { return QStringLiteral("recording-take.wav"); }

    TakeSpool() = default;
    ~TakeSpool() { discard(); }
    TakeSpool(const TakeSpool &) = delete;
    TakeSpool &operator=(const TakeSpool &) = delete;

    // `name`: the spool's file name inside TEMP.
    bool open(const QString &tempFolder, const AudioFormat &format,
              const QString &name = fileName());
    // Appends bytes [written(), upTo) of `data`.
    bool append(const char *data, size_t upTo);
    size_t written() const { return m_written; }
    bool isOpen() const { return m_file.isOpen(); }
    // Closes and removes the spool file.
    void discard();

    // A spool left by a player that died: its header is mended from its length and it is moved
    // to `takesFolder` as Rec<time of the file>.wav. Returns the new path, empty when there was
    // none (an empty spool is removed).
    static QString recoverOrphan(const QString &tempFolder, const QString &takesFolder);

private:
    QFile m_file;
    AudioFormat m_format;
    size_t m_written = 0;
};
