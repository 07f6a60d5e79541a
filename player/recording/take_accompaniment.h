#pragma once
// The accompaniment side of a take: while the voice is recorded, the player's own output is
// captured as it was heard, spooled beside the voice spool, and lined up with the voice from
// readings of both streams' timing (at the start and every 100 ms while the take runs). At save
// time the take becomes the mix, with the voice alone beside it. When the voice source is a
// monitor, or nothing of the player could be captured, there is no accompaniment and the take is
// saved as captured. No widgets.
#include "platform/output_capture.h"
#include "recording/capture_buffer.h"
#include "recording/take_alignment.h"
#include "recording/take_file.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class TakeAccompaniment : public QObject {
    Q_OBJECT
public:
    // The spool's name inside TEMP.
    static QString spoolKind() { return QStringLiteral("accompaniment"); }
    // Where the voice alone goes beside the mix saved as `takePath` ("a.wav" -> "a-voice.wav").
    static QString voicePath(const QString &takePath);

    // `capture` may be null: takes then have no accompaniment.
    explicit TakeAccompaniment(std::unique_ptr<OutputCapture> capture, QObject *parent = nullptr);
    ~TakeAccompaniment() override;

    // The voice capture's timing (the capture engine's).
    std::function<bool(CaptureTiming &)> voiceTiming;

    // A take starts: the voice is captured from `voiceSource` in `format` into a buffer of
    // `bytes`; the accompaniment gets a buffer as large and a spool in `tempFolder`.
    void start(const QString &voiceSource, const AudioFormat &format, size_t bytes,
               const QString &tempFolder);
    // Moves what arrived to the spool (on each clock tick).
    void spool();
    // The take ended: the capture stops; what arrived stays for saving.
    void stop();
    // Some accompaniment was captured and placed: the take is saved as a mix.
    bool captured() const;
    // Writes the voice (`voiceBytes` of `voice`) mixed with the accompaniment to `path`.
    bool writeMix(const QString &path, const char *voice, size_t voiceBytes) const;
    // Frees the buffer and removes the spool; the alignment stays until the next start.
    void release();

    const std::vector<AlignPoint> &alignment() const { return m_alignment.points(); }
    const CaptureBuffer *buffer() const { return m_buffer.get(); }

private:
    void measure();

    std::unique_ptr<OutputCapture> m_capture;
    std::unique_ptr<CaptureBuffer> m_buffer;
    TakeSpool m_spool;
    TakeAlignment m_alignment;
    QTimer m_readings;
    bool m_running = false;
};
