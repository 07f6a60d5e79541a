#pragma once
// The background steps of one key shift or vocal removal, after its dialogs: the working WAV
// (decoded or copied), the effect control's shift or the centre cancellation with its
// compensation (or the frequency-domain centre removal, which needs none), and the result file.
// Each step starts when the one before has really ended; a failed result, a missing end event or a
// failed save ends the job with the command's failure text. Destroying the job abandons it: its
// worker is cancelled and joined, the effect control's action stopped, and nothing of it reaches
// anyone.
#include "processing/codec_job.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class EffectHost;

class ProcessedCopyJob : public QObject {
    Q_OBJECT
public:
    enum class Kind { KeyShift, VocalRemoval };

    struct Request {
        Kind kind = Kind::KeyShift;
        QString source;    // the track (MP3 or WAV)
        QString output;    // the result file
        QString tempWav;   // the working copy (TEMP/3.wav, TEMP/2.wav)
        QString tempWav2;  // vocal removal: the cancelled sound before compensation (TEMP/22.wav)
        int shiftMode = 0; // key shift: the effect control's mode
        int compensationLevel = -3; // vocal removal: below 1 means none
        // Vocal removal in the frequency domain (bass and sides kept): no compensation.
        bool spectral = false;
    };

    ProcessedCopyJob(EffectHost &effect, const Request &request, QObject *parent = nullptr);
    ~ProcessedCopyJob() override;

    // Starts the first step; the job ends with finished().
    void start();
    // How long the effect control may stay silent before a step counts as failed.
    void setSilenceLimit(int ms) { m_watchdog.setInterval(ms); }

Q_SIGNALS:
    void progress(int percent);      // the wait window's bar, increasing
    void stage(const QString &text); // the wait window's text of a new stage
    // ok: the result file is complete. Otherwise `message` is the text to show.
    void finished(bool ok, const QString &message);

private:
    enum class Step { Idle, Prepare, Load, Shift, Cancel, Eq, Save, Done };

    void runCodec(CodecJob::Kind kind, const QString &in, const QString &out, int from, int to);
    void codecDone(bool ok);
    void startLoad(const QString &path);
    void effectEnded(int action, int code);
    void afterPrepare();
    void afterLoad();
    bool loadedSoundIsTheFile() const;
    void save();
    void saved(bool ok);
    void fail(const QString &message);
    void finish();
    bool effectWorking() const; // the current step waits for the effect control
    bool compensated() const;   // vocal removal: the equalizer runs after the cancellation
    void setProgress(int percent);
    void raiseProgress(int by, int limit);

    EffectHost &m_effect;
    Request m_request;
    std::unique_ptr<CodecJob> m_codec;
    QTimer m_watchdog;
    Step m_step = Step::Idle;
    int m_progress = 0;
    int m_rangeFrom = 0, m_rangeTo = 0; // where the current step's own progress moves the bar
    bool m_ended = false;
    int m_action = 0;  // the effect control's action this job waits for
    QString m_loading; // the file of the last load
};
