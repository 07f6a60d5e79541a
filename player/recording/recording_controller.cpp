#include "recording/recording_controller.h"

#include "playback/playback_controller.h"

#include <QDir>
#include <QFile>

namespace {

const QString &stopIdleCaption() {
    static const QString t = QStringLiteral(" 停 止 ");
    return t;
}
// The stop menu's idle caption after a stop (the record command's own reset says "回放").
const QString &stopMenuAfterStop() {
    static const QString t = QStringLiteral("停止录音或播放(&S)");
    return t;
}
const QString &stopMenuAfterNo() {
    static const QString t = QStringLiteral("停止录音或回放(&S)");
    return t;
}
const QString &recordToolTip() {
    static const QString t = QStringLiteral("开始录音");
    return t;
}

QString formatRefusedText() {
    return QStringLiteral("你的声卡不支持当前音频捕捉采样设置！");
}

QString startQuestion() {
    return QStringLiteral(
               "您已经选择了录音功能，程序将以目前已经加载的曲目作为伴奏(开始录音时将从当前进度开"
               "始播放曲目)，同时可以录制您的演唱。请确认麦克风正确连接在电脑声卡上，并且在系统声"
               "音控制的播放属性中取消麦克风静音(测试音箱有麦克风声音输出即可，如果声音太小可以在"
               "高级选项中选择Mic Boost选项)；录音属性选择“StereoMix”(立体声混音输出)或“WAVE”"
               "。\r\n") +
           QStringLiteral("你确定要立即开始录音吗？");
}

} // namespace

RecordingController::RecordingController(AppContext &ctx, MediaPlayer &player,
                                         CaptureEngine &engine, RecordingControlsView &view,
                                         QObject *parent)
    : QObject(parent), m_ctx(ctx), m_player(player), m_engine(engine), m_view(view) {
    elapsedMs = [this] { return m_clock.isValid() ? m_clock.elapsed() : 0; };
    // A capture that stops by itself (buffer full, server gone) ends the recording; what was
    // captured is offered for saving.
    connect(&m_engine, &CaptureEngine::captureEnded, this, [this] {
        if (m_recording) stop();
    });
}

void RecordingController::bindPlayback(PlaybackController &playback) {
    PlaybackHooks &hooks = playback.hooks();
    hooks.takeMode = [this] { return m_takeMode; };
    hooks.clearTakeMode = [this] { clearTakeMode(); };
    hooks.recording = [this] { return m_recording; };
    hooks.stopRecordingOrTake = [this] { stop(); };
    connect(&playback, &PlaybackController::trackLoaded, this, &RecordingController::onTrackLoaded);
    connect(&playback, &PlaybackController::playStateChanged, this,
            &RecordingController::onPlayStateChanged);
}

void RecordingController::applyAvailability() {
    if (m_engine.available())
        m_view.setRecordEnabled(true, recordToolTip());
    else
        m_view.setRecordEnabled(false,
                                QStringLiteral("录音不可用：") + m_engine.unavailableReason());
}

void RecordingController::recoverOrphanTake() {
    const QString temp = m_ctx.paths.temp();
    const QStringList crashed =
        TakeSpool::recoverOrphans(temp, m_ctx.paths.file(QStringLiteral("takes")));
    const QStringList closed = TakeSpool::keptAtExit(temp);
    if (!m_ctx.dialogs) return;
    auto list = [](const QStringList &paths) {
        QStringList native;
        for (const QString &p : paths)
            native << QDir::toNativeSeparators(p);
        return native.join(QStringLiteral("\r\n"));
    };
    QString text;
    if (!crashed.isEmpty())
        text = QStringLiteral("上次程序意外结束时的录音已保存为：\r\n") + list(crashed);
    if (!closed.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\r\n")) +
                QStringLiteral("上次关闭程序时未保存的录音已保存为：\r\n") + list(closed);
    if (!text.isEmpty()) m_ctx.dialogs->info(text);
}

QString RecordingController::keepTakeAtExit() {
    if (m_recording) {
        m_recording = false;
        m_engine.stop();
        if (const CaptureBuffer *b = m_engine.buffer())
            m_spool.append(b->data(), b->readPosition());
    }
    const QString kept =
        m_spool.keep(m_ctx.paths.temp(), m_ctx.paths.file(QStringLiteral("takes")));
    // A take with its accompaniment is kept as the performance, the voice beside it.
    const CaptureBuffer *voice = m_engine.buffer();
    if (!kept.isEmpty() && voice && m_accompaniment) {
        m_accompaniment->stop();
        const QString voicePath = TakeAccompaniment::voicePath(kept);
        if (m_accompaniment->captured() && QFile::rename(kept, voicePath) &&
            !m_accompaniment->writeMix(kept, voice->data(), voice->readPosition()))
            QFile::rename(voicePath, kept);
    }
    if (m_accompaniment) m_accompaniment->release();
    m_engine.release();
    return kept;
}

void RecordingController::onServerChanged() {
    if (!m_recording && !m_takeMode) applyAvailability();
}

void RecordingController::resetStopControls(const QString &menuCaption) {
    m_view.setStopControls(false, stopIdleCaption(), menuCaption);
}

void RecordingController::restartLevelTimer() {
    const Settings &s = m_ctx.settings;
    if (s.ShowLevelMeter == 1 || s.VisualOn == 1) m_view.setLevelTimerRunning(true);
}

void RecordingController::startRecording() {
    if (m_recording) return;
    if (!m_engine.available()) {
        applyAvailability();
        return;
    }
    if (m_player.duration() != 0.0 && m_player.playState() == MediaPlayer::Playing)
        m_player.pause();
    if (m_ctx.settings.ShowMixerOnRecord != 0) m_view.startSystemMixer();
    m_view.setStopControls(true, QStringLiteral("停止录音"), QStringLiteral("停止录音(&S)"));

    Dialogs::Message question;
    question.text = startQuestion();
    question.title = Dialogs::applicationTitle() + QStringLiteral(" 录音提示");
    question.icon = Dialogs::Icon::Information;
    question.buttons = Dialogs::Buttons::YesNo;
    question.defaultAnswer = Dialogs::Answer::Yes;
    const bool yes = m_ctx.dialogs && m_ctx.dialogs->message(question) == Dialogs::Answer::Yes;
    if (!yes) {
        resetStopControls(stopMenuAfterNo());
        if (m_player.playState() == MediaPlayer::Paused) m_player.play();
        return;
    }

    m_view.setLevelTimerRunning(false);
    m_takePath.clear();
    releaseTake();
    const Settings &s = m_ctx.settings;
    const double duration = m_player.duration();
    const double left = duration - m_player.currentPosition() + 1.0;
    // A stream without a length has no time left to size for: it gets the maximum.
    const double max = double(s.MaxRecordMinutes) * 60.0;
    // The warnings weigh this take's record seconds, whatever the mode sizes the buffer for.
    const double stored = duration != 0.0 ? left : max;
    const double requested = s.RecordBufferMode == 1 ? stored : max;
    const CaptureSetup::Plan plan = m_engine.setup(requested, stored, s.MaxRecordMinutes);
    for (CaptureSetup::Warning w : plan.warnings)
        if (m_ctx.dialogs)
            m_ctx.dialogs->warning(CaptureSetup::warningText(w, s.MaxRecordMinutes),
                                   CaptureSetup::warningTitle());

    m_player.play();
    const QString source = sourceName ? sourceName() : QString();
    if (!m_engine.start(source)) {
        endFailedRecording(m_engine.formatRefused() ? formatRefusedText()
                                                    : QStringLiteral("无法开始录音！\r\n") +
                                                          m_engine.unavailableReason());
        return;
    }
    m_clock.start();
    m_spool.open(m_ctx.paths.temp(), m_engine.format());
    if (m_accompaniment)
        m_accompaniment->start(source, m_engine.format(), m_engine.captureSize(),
                               m_ctx.paths.temp());
    m_view.setClockRunning(true);
    m_view.setRecordEnabled(false, recordToolTip());
    m_view.setPlayTakeEnabled(false);
    m_view.setProcessingEnabled(false);
    m_view.setIndicator(RecordingControlsView::Indicator::Recording);
    m_recording = true;
    m_takeMode = false;
    restartLevelTimer();
}

void RecordingController::endFailedRecording(const QString &text) {
    if (m_ctx.dialogs) m_ctx.dialogs->error(text, CaptureSetup::warningTitle());
    applyAvailability();
    resetStopControls(stopMenuAfterStop());
    releaseTake();
    restartLevelTimer();
}

void RecordingController::clockTick() {
    if (!m_recording) {
        m_view.setClockRunning(false);
        m_view.setMarker(false, kMarkerStart);
        return;
    }
    if (const CaptureBuffer *b = m_engine.buffer()) m_spool.append(b->data(), b->readPosition());
    if (m_accompaniment) m_accompaniment->spool();
    const qint64 elapsed = elapsedMs() / 1000;
    const double seconds = m_engine.recordSeconds();
    int position = seconds > 0 ? kMarkerStart + int(double(kMarkerSpan) * double(elapsed) / seconds)
                               : kMarkerEnd;
    if (position >= kMarkerEnd) {
        m_view.setMarker(true, kMarkerEnd);
        stop();
        return;
    }
    m_view.setMarker(true, position);
}

void RecordingController::stop() {
    m_view.setIndicator(RecordingControlsView::Indicator::Idle);
    m_view.setMarker(false, kMarkerStart);
    if (m_recording) {
        m_view.setClockRunning(false);
        if (m_player.playState() == MediaPlayer::Playing) m_player.pause();
        m_view.setLevelTimerRunning(false);
        m_recording = false;
        if (m_accompaniment) m_accompaniment->stop();
        m_engine.stop();
        const CaptureBuffer *buffer = m_engine.buffer();
        if (!buffer) {
            endFailedRecording(QStringLiteral(
                "录音失败！(电脑缓存不足或录音超时。请尝试重新设置最大录音缓存时间。)"));
            return;
        }
        m_spool.append(buffer->data(), buffer->readPosition());
        if (m_engine.endReason() == CaptureEngine::End::FormatRefused && m_ctx.dialogs)
            m_ctx.dialogs->error(formatRefusedText(), CaptureSetup::warningTitle());
        else if (buffer->readPosition() > 0 && m_ctx.dialogs) {
            if (m_engine.endReason() == CaptureEngine::End::Full)
                m_ctx.dialogs->warning(
                    QStringLiteral("录音缓存已满，录音已停止。已录下的部分可以保存。"),
                    CaptureSetup::warningTitle());
            else if (m_engine.endReason() == CaptureEngine::End::ServerLost)
                m_ctx.dialogs->warning(
                    QStringLiteral("与声音服务器的连接已断开，录音已停止。已录下的部分可以保存。"),
                    CaptureSetup::warningTitle());
        }
        saveTake();
        restartLevelTimer();
        return;
    }
    if (m_takeMode) {
        // Stopping the player re-enters through its stopped notification: reset first.
        resetStopControls(stopMenuAfterStop());
        const int state = m_player.playState();
        if (state == MediaPlayer::Playing) m_player.stop();
        if (state == MediaPlayer::Playing || state == MediaPlayer::Stopped)
            m_player.setCurrentPosition(0.0);
        m_view.setPlayTakeEnabled(true);
        return;
    }
    resetStopControls(stopMenuAfterStop());
}

void RecordingController::saveTake() {
    const CaptureBuffer *buffer = m_engine.buffer();
    const size_t bytes = buffer ? buffer->readPosition() : 0;
    if (bytes == 0) {
        // Nothing was captured: nothing to save, and recording can start again.
        releaseTake();
        applyAvailability();
        resetStopControls(stopMenuAfterStop());
        return;
    }
    Dialogs::FileRequest request;
    request.title = QStringLiteral("保存录音文件 *.wav");
    request.filter = QStringLiteral("声音文件(*.wav)|*.wav");
    request.fileName = TakeFile::proposedName(QDateTime::currentDateTime());
    request.confirmOverwrite = true;
    // A failed save keeps the take and asks again; only a cancelled dialog gives it up.
    QString name;
    for (;;) {
        const QString chosen = m_ctx.dialogs ? m_ctx.dialogs->saveFile(request) : QString();
        if (!m_engine.buffer()) return; // the window closed meanwhile and kept the take
        if (chosen.isEmpty()) {
            applyAvailability();
            releaseTake();
            resetStopControls(stopMenuAfterStop());
            return;
        }
        name = TakeFile::savePath(chosen);
        m_player.stop();
        m_player.setCurrentPosition(0.0);
        if (writeTake(name, *buffer, bytes)) break;
        if (m_ctx.dialogs) m_ctx.dialogs->error(QStringLiteral("保存文件出现错误！"));
    }
    m_takePath = name;
    m_player.setFileName(m_takePath);
    m_takeMode = true;
    m_view.setPlayTakeEnabled(true);
    resetStopControls(stopMenuAfterStop());
    releaseTake();
}

bool RecordingController::writeTake(const QString &name, const CaptureBuffer &voice, size_t bytes) {
    if (!m_accompaniment || !m_accompaniment->captured())
        return TakeFile::writeWav(name, voice.format(), voice.data(), bytes);
    // The voice alone beside the mix; both or neither.
    const QString voicePath = TakeAccompaniment::voicePath(name);
    if (!TakeFile::writeWav(voicePath, voice.format(), voice.data(), bytes)) return false;
    if (m_accompaniment->writeMix(name, voice.data(), bytes)) return true;
    QFile::remove(voicePath);
    return false;
}

void RecordingController::releaseTake() {
    if (m_accompaniment) m_accompaniment->release();
    m_engine.release();
    m_spool.discard();
}

void RecordingController::playTake() {
    if (m_takePath.isEmpty()) {
        if (m_ctx.dialogs) m_ctx.dialogs->info(QStringLiteral("错误！无录音文件！"));
        return;
    }
    m_recording = false;
    m_takeMode = true;
    if (m_player.playState() != MediaPlayer::Paused) m_player.setFileName(m_takePath);
    m_player.play();
    m_view.setStopControls(true, QStringLiteral("停止回放"), QStringLiteral("停止回放(&S)"));
    m_view.setPlayTakeEnabled(false);
    m_view.setIndicator(RecordingControlsView::Indicator::Playback);
}

void RecordingController::recordingToIdle() {
    applyAvailability();
    m_view.setPlayTakeEnabled(false);
    resetStopControls(stopMenuAfterStop());
    m_view.setIndicator(RecordingControlsView::Indicator::Idle);
    m_view.setMarker(false, kMarkerStart);
}

void RecordingController::onTrackLoaded() {
    if (!m_recording && !m_takeMode) recordingToIdle();
}

void RecordingController::onPlayStateChanged(int state) {
    m_view.setProcessingEnabled(!m_recording && !m_takeMode);
    if ((state == MediaPlayer::Stopped || state == MediaPlayer::Paused) &&
        m_view.stopButtonEnabled() && m_takeMode) {
        stop();
    } else if (state == MediaPlayer::Playing && m_view.playTakeButtonEnabled() && m_takeMode) {
        // A saved take starts playing.
        m_view.setStopControls(true, QStringLiteral("停止回放"), QStringLiteral("停止回放(&S)"));
        m_view.setPlayTakeEnabled(false);
        m_view.setIndicator(RecordingControlsView::Indicator::Playback);
    }
}
