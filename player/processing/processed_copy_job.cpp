#include "processing/processed_copy_job.h"

#include "processing/effect_host.h"
#include "processing/processing_rules.h"

#include <QFile>
#include <algorithm>

namespace {

constexpr int kShiftSize = 2048;
constexpr int kFilterDry = 100;
// Loads, shifts and the equalizer report at least every few seconds even on long tracks.
constexpr int kSilenceLimitMs = 60000;

const char *const kShiftFailed = "音频效果处理失败（文件解码出现错误）！";
const char *const kVocalDecodeFailed = "消减人声处理失败（文件解码出现错误）！";
const char *const kVocalFailed = "消减人声处理失败！";
const char *const kNotStereo = "无法处理当前文件！";

// Where the key shift's steps leave the wait window's bar: the control's shift is the longest
// step, then the decoding; the load is a read of the decoded file.
constexpr int kDecodedAt = 30;
constexpr int kLoadedAt = 35;
constexpr int kShiftedAt = 88;

// LVX result codes a started member answers.
constexpr int kStarted = 0;
constexpr int kShiftStarted = 1;

} // namespace

ProcessedCopyJob::ProcessedCopyJob(EffectHost &effect, const Request &request, QObject *parent)
    : QObject(parent), m_effect(effect), m_request(request) {
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(kSilenceLimitMs);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        fail(QString::fromUtf8(m_request.kind == Kind::KeyShift ? kShiftFailed : kVocalFailed));
    });
    connect(&m_effect, &EffectHost::endOfAction, this, &ProcessedCopyJob::effectEnded);
    connect(&m_effect, &EffectHost::saved, this, [this](bool ok, int) { saved(ok); });
    connect(&m_effect, &EffectHost::actionPosition, this, [this](int action, int percent) {
        if (action == 0 || action != m_action || (m_step != Step::Shift && m_step != Step::Eq))
            return;
        m_watchdog.start();
        setProgress(m_rangeFrom + std::clamp(percent, 0, 100) * (m_rangeTo - m_rangeFrom) / 100);
    });
}

ProcessedCopyJob::~ProcessedCopyJob() {
    // An abandoned shift stops at once; a load, the equalizer or a save runs out and reports to
    // nobody (its events carry its own action's id; a save's end comes to a job in its Save
    // step only).
    if (!m_ended && effectWorking()) m_effect.stopEffect();
}

void ProcessedCopyJob::start() {
    const bool shift = m_request.kind == Kind::KeyShift;
    m_progress = shift ? 1 : 10;
    const CodecJob::Kind kind =
        ProcessingRules::isMp3(m_request.source) ? CodecJob::Kind::Decode : CodecJob::Kind::Prepare;
    m_step = Step::Prepare;
    runCodec(kind, m_request.source, m_request.tempWav, m_progress, shift ? kDecodedAt : 50);
}

void ProcessedCopyJob::runCodec(CodecJob::Kind kind, const QString &in, const QString &out,
                                int from, int to) {
    m_rangeFrom = from;
    m_rangeTo = to;
    // The previous step's job may still be emitting its end.
    if (m_codec) m_codec.release()->deleteLater();
    m_codec = std::make_unique<CodecJob>();
    connect(m_codec.get(), &CodecJob::progress, this, [this](int percent) {
        setProgress(m_rangeFrom + percent * (m_rangeTo - m_rangeFrom) / 100);
    });
    connect(m_codec.get(), &CodecJob::finished, this,
            [this](bool ok, const QString &) { codecDone(ok); });
    if (!m_codec->start(kind, in, out)) fail(QString::fromUtf8(kVocalFailed));
}

void ProcessedCopyJob::codecDone(bool ok) {
    const bool shift = m_request.kind == Kind::KeyShift;
    if (m_step == Step::Prepare) {
        if (!ok) return fail(QString::fromUtf8(shift ? kShiftFailed : kVocalDecodeFailed));
        return afterPrepare();
    }
    // The cancellation of the centre.
    if (!ok) return fail(QString::fromUtf8(kVocalFailed));
    raiseProgress(10, 70);
    Q_EMIT stage(QStringLiteral("正在进行最后处理…"));
    if (!compensated()) return finish();
    Q_EMIT stage(QStringLiteral("正在进行衰减补偿…"));
    raiseProgress(10, 80);
    startLoad(m_request.tempWav2);
}

void ProcessedCopyJob::afterPrepare() {
    if (m_request.kind == Kind::KeyShift) {
        setProgress(kLoadedAt);
        return startLoad(m_request.tempWav);
    }
    raiseProgress(10, 80);
    Q_EMIT stage(QStringLiteral("正在进行声音文件分析处理，请稍候…"));
    codec::WavInfo info;
    if (!codec::wavInfo(QFile::encodeName(m_request.tempWav).toStdString(), info) ||
        info.channels != 2)
        return fail(QString::fromUtf8(kNotStereo));
    m_step = Step::Cancel;
    const QString target = compensated() ? m_request.tempWav2 : m_request.output;
    runCodec(m_request.spectral ? CodecJob::Kind::RemoveCentreSpectral
                                : CodecJob::Kind::RemoveCentre,
             m_request.tempWav, target, m_progress, 70);
}

bool ProcessedCopyJob::compensated() const {
    return !m_request.spectral && m_request.compensationLevel >= 1;
}

void ProcessedCopyJob::startLoad(const QString &path) {
    m_step = Step::Load;
    m_loading = path;
    if (m_effect.saving()) {
        // An abandoned job's copy is still being written: the control loads once it is.
        connect(
            &m_effect, &EffectHost::saved, this, [this] { startLoad(m_loading); },
            Qt::SingleShotConnection);
        return;
    }
    const int result = m_effect.inputFileOpen(path);
    m_action = m_effect.lastAction();
    if (result != kStarted)
        return fail(
            QString::fromUtf8(m_request.kind == Kind::KeyShift ? kShiftFailed : kVocalFailed));
    m_watchdog.start();
}

void ProcessedCopyJob::effectEnded(int action, int code) {
    if (m_ended || action == 0 || action != m_action) return;
    if (m_step == Step::Load && code == 1) return afterLoad();
    if (m_step == Step::Shift && code == 7) return save();
    if (m_step == Step::Eq && code == 5) return save();
}

void ProcessedCopyJob::afterLoad() {
    const bool shift = m_request.kind == Kind::KeyShift;
    const QString failed = QString::fromUtf8(shift ? kShiftFailed : kVocalFailed);
    // The end of a load also comes when its file could not be read; a load that failed before
    // its data leaves the previous sound, which must not be taken for this file's.
    if (!loadedSoundIsTheFile()) return fail(failed);
    m_rangeFrom = m_progress;
    m_rangeTo = shift ? kShiftedAt : 90;
    if (shift) {
        m_step = Step::Shift;
        if (m_effect.shifting(m_request.shiftMode, kShiftSize) != kShiftStarted)
            return fail(failed);
    } else {
        m_step = Step::Eq;
        if (m_effect.eq(ProcessingRules::compensationGains(m_request.compensationLevel),
                        kFilterDry) != kStarted)
            return fail(failed);
    }
    m_action = m_effect.lastAction();
    m_watchdog.start();
}

bool ProcessedCopyJob::loadedSoundIsTheFile() const {
    int channels = 0, bits = 0, rate = 0, bytes = 0;
    if (!m_effect.soundFormat(&channels, &bits, &rate, &bytes)) return false;
    codec::WavInfo info;
    if (!codec::wavInfo(QFile::encodeName(m_loading).toStdString(), info)) return false;
    return channels == info.channels && bits == info.bits && rate == info.sampleRate &&
           bytes == info.frames * info.channels * (info.bits / 8);
}

void ProcessedCopyJob::save() {
    m_watchdog.stop();
    m_action = 0;
    m_step = Step::Save;
    // The file is written on the control's side of the host; the window keeps answering.
    if (!m_effect.startSave(m_request.output))
        return fail(
            QString::fromUtf8(m_request.kind == Kind::KeyShift ? kShiftFailed : kVocalFailed));
}

void ProcessedCopyJob::saved(bool ok) {
    if (m_ended || m_step != Step::Save) return;
    if (!ok)
        return fail(
            QString::fromUtf8(m_request.kind == Kind::KeyShift ? kShiftFailed : kVocalFailed));
    finish();
}

void ProcessedCopyJob::finish() {
    m_step = Step::Done;
    m_ended = true;
    m_watchdog.stop();
    setProgress(90);
    Q_EMIT finished(true, QString());
}

void ProcessedCopyJob::fail(const QString &message) {
    if (m_ended) return;
    m_ended = true;
    m_watchdog.stop();
    if (effectWorking()) m_effect.stopEffect();
    m_step = Step::Done;
    Q_EMIT finished(false, message);
}

bool ProcessedCopyJob::effectWorking() const {
    return m_step == Step::Load || m_step == Step::Shift || m_step == Step::Eq;
}

void ProcessedCopyJob::setProgress(int percent) {
    if (percent <= m_progress) return;
    m_progress = std::min(percent, 100);
    Q_EMIT progress(m_progress);
}

void ProcessedCopyJob::raiseProgress(int by, int limit) {
    if (m_progress < limit) setProgress(std::min(limit, m_progress + by));
}
