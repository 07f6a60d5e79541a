#pragma once
// One MP3/WAV job of the codec library on a worker thread. Progress and the end reach the UI
// thread as signals; destroying the job cancels it and waits for its thread, so no output is
// half written and no temporary file stays behind.
#include "codec.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

class CodecJob : public QObject {
    Q_OBJECT
public:
    enum class Kind {
        Decode,               // MP3 to 16-bit WAV
        Encode,               // WAV to MP3
        ToPcm16,              // any WAV to 16-bit WAV
        Prepare,              // a WAV track to the working copy the effect control loads
        RemoveCentre,         // a stereo WAV without the sound common to both channels
        RemoveCentreSpectral, // the same in the voice band only, bass and sides kept
    };

    explicit CodecJob(QObject *parent = nullptr);
    ~CodecJob() override;

    // Starts converting `input` to `output`; false while a job is still running.
    bool start(Kind kind, const QString &input, const QString &output,
               const codec::EncodeOptions &options = {});
    bool running() const { return m_running; }
    // Asks the running job to stop; it ends with finished(false, ...).
    void cancel() { m_cancel = true; }

Q_SIGNALS:
    void progress(int percent);
    void finished(bool ok, const QString &error);

private:
    void join();

    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    bool m_running = false;
};
