#include "processing/processing_controller.h"

#include "playback/media_player.h"
#include "playlist/playlist_model.h"
#include "processing/frm_shift_set.h"
#include "processing/processing_rules.h"
#include "shell/player_preferences.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QPainter>
#include <QSignalBlocker>

namespace {

constexpr double kLongTrackSeconds = 600.0;

// imgS: 0 off, 3 vocal removal on, 4 key shift on (the others are unused here).
QPixmap switchPicture(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = index == 3   ? QColor(230, 90, 60)
                        : index == 4 ? QColor(70, 190, 90)
                                     : QColor(120, 120, 130);
    p.setPen(QPen(fill.darker(150), 1.2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    if (index != 0) {
        p.setPen(QPen(Qt::white, 1.6));
        p.drawLine(QPointF(5.5, 8), QPointF(7.5, 10.5));
        p.drawLine(QPointF(7.5, 10.5), QPointF(11, 5.5));
    }
    return pixmap;
}

} // namespace

ProcessingController::ProcessingController(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                                           PlaylistModel &model, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_player(player), m_model(model) {
    for (int k = 0; k < int(m_imgS.size()); ++k)
        m_imgS[size_t(k)] = switchPicture(k);
    m_switch[0] = {m_ui.Check3, m_ui.action("mnuShifting"), 4, "改变当前曲目的音调(开)",
                   "改变当前曲目的音调"};
    m_switch[1] = {m_ui.Check2, m_ui.action("mnuRemoveVocal"), 3, "消减原唱歌曲中的人声(开)",
                   "消减原唱歌曲中的人声"};
    for (Command c : {Command::KeyShift, Command::VocalRemoval}) {
        Switch &s = switchFor(c);
        if (s.menu) {
            s.menu->setCheckable(true);
            // The menu item toggles its own mark, then sets the switch to it.
            connect(s.menu, &QAction::triggered, this,
                    [this, c](bool checked) { setChecked(c, checked); });
        }
        if (s.box) {
            connect(s.box, &QCheckBox::toggled, this,
                    [this, c](bool checked) { onSwitchToggled(c, checked); });
            s.box->setAutoFillBackground(true);
            s.box->setMouseTracking(true);
            s.box->installEventFilter(this);
            setSwitchBackground(s.box, QPalette::Button);
        }
        showState(c);
    }
    if (m_ui.PicShape) {
        m_ui.PicShape->setMouseTracking(true);
        m_ui.PicShape->installEventFilter(this);
    }
    connect(&m_effect, &EffectHost::message, this, [this](const QString &text) {
        // The control's own message boxes (its file errors), shown as it shows them; the
        // command's failure text follows. Queued: the control's worker never waits for them.
        m_ctx.dialogs->warning(QStringLiteral("效果控件：") + text);
    });
}

ProcessingController::~ProcessingController() {
    // The job first: it stops the control's action before the control goes.
    m_job.reset();
    endLongCommand();
    if (m_wait) m_wait->deleteLater();
}

void ProcessingController::setSwitchBackground(QCheckBox *box, QPalette::ColorRole role) {
    const QColor colour = box->palette().color(role);
    if (box->palette().color(QPalette::Window) == colour) return;
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, colour);
    box->setPalette(pal);
}

bool ProcessingController::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == m_ui.PicShape) {
        if (type == QEvent::MouseMove)
            for (const Switch &s : m_switch)
                if (s.box) setSwitchBackground(s.box, QPalette::Button);
        return false;
    }
    auto *box = qobject_cast<QCheckBox *>(watched);
    if (!box) return false;
    if (type == QEvent::Enter || type == QEvent::MouseMove)
        setSwitchBackground(box, QPalette::Light);
    else if (type == QEvent::MouseButtonRelease && m_ui.PicShape)
        // After the click has been handled: the switch keeps no focus.
        QMetaObject::invokeMethod(m_ui.PicShape, qOverload<>(&QWidget::setFocus),
                                  Qt::QueuedConnection);
    return false;
}

void ProcessingController::setChecked(Command c, bool checked) {
    Switch &s = switchFor(c);
    if (s.box && s.box->isChecked() != checked)
        s.box->setChecked(checked); // its handler sets the menu's mark
    else if (s.menu)
        s.menu->setChecked(s.box && s.box->isChecked());
}

void ProcessingController::showState(Command c) {
    Switch &s = switchFor(c);
    if (!s.box) return;
    const bool on = s.box->isChecked();
    s.box->setIcon(QIcon(m_imgS[size_t(on ? s.picture : 0)]));
    s.box->setToolTip(QString::fromUtf8(on ? s.tipOn : s.tipOff));
}

void ProcessingController::onSwitchToggled(Command c, bool checked) {
    Switch &s = switchFor(c);
    if (m_ui.PicShape) m_ui.PicShape->setFocus();
    if (checked) {
        if (m_job || m_ctx.LongCommandRunning) {
            // One long command at a time.
            {
                const QSignalBlocker block(s.box);
                s.box->setChecked(false);
            }
            if (s.menu) s.menu->setChecked(false);
            showState(c);
            // Name what really runs: a conversion counts too.
            const QString running = m_job || m_ctx.LongCommandName.isEmpty()
                                        ? QStringLiteral("处理")
                                        : m_ctx.LongCommandName;
            m_ctx.dialogs->warning(QStringLiteral("请等待当前的") + running +
                                   QStringLiteral("完成！"));
            return;
        }
        if (s.menu) s.menu->setChecked(true);
        m_ui.Timer[4]->stop();
        begin(c);
        if (!m_job) restartVisualTimer();
    } else {
        switchedOff(c);
    }
    showState(c);
}

void ProcessingController::switchedOff(Command c) {
    Switch &s = switchFor(c);
    if (m_job && m_jobCommand == c) abandon();
    m_ui.Timer[1]->stop();
    m_ui.Label1->setText(QStringLiteral("0"));
    const bool wasOn = isOn(c);
    isOn(c) = false;
    fileOf(c).clear();
    if (s.menu) s.menu->setChecked(false);
    if (!wasOn) return;
    // Back to the other copy when it is on, else to the playlist's track. The other command's
    // name is set as soon as its job starts, long before its file exists.
    const Command other = c == Command::KeyShift ? Command::VocalRemoval : Command::KeyShift;
    SourceTrack = isOn(other) && !otherFile(c).isEmpty() ? otherFile(c) : m_model.CurrentFile;
    if (!m_player.setFileName(SourceTrack) && m_hooks.recoverAndReload) {
        showState(c);
        m_hooks.recoverAndReload();
    }
}

void ProcessingController::cancel(Command c) {
    isOn(c) = false;
    setChecked(c, false);
    if (Switch &s = switchFor(c); s.menu) s.menu->setChecked(false);
    fileOf(c).clear();
}

void ProcessingController::cancelAndDisable(Command c) {
    cancel(c);
    Switch &s = switchFor(c);
    if (s.box) s.box->setEnabled(false);
    if (s.menu) s.menu->setEnabled(false);
}

void ProcessingController::resumeIfPaused() {
    if (m_player.playState() == MediaPlayer::Paused) m_player.play();
}

void ProcessingController::error(const QString &text) {
    m_ctx.dialogs->error(text);
}

int ProcessingController::askStep() {
    if (m_hooks.askShiftStep) return m_hooks.askShiftStep();
    FrmShiftSet dialog(*m_ctx.dialogs, m_ui.frmMain);
    dialog.exec();
    return dialog.KeyShiftSetting();
}

void ProcessingController::begin(Command c) {
    const bool shift = c == Command::KeyShift;
    Dialogs &dialogs = *m_ctx.dialogs;
    const double duration = m_player.duration();
    if (duration == 0.0) {
        error(QStringLiteral("无法处理当前文件！"));
        return cancelAndDisable(c);
    }
    if (m_player.playState() == MediaPlayer::Playing) m_player.pause();
    SourceTrack = m_player.fileName();
    if (!ProcessingRules::processable(SourceTrack)) {
        error(QStringLiteral("无法处理当前文件格式！（仅限MP3或WAV格式）"));
        return cancelAndDisable(c);
    }
    if (!dialogs.ask(shift ? QStringLiteral("你确定要将当前曲目进行改变音调处理吗？")
                           : QStringLiteral("你确定要将当前曲目进行消减人声处理吗？"))) {
        cancel(c);
        return resumeIfPaused();
    }
    m_player.stop();
    m_ui.Timer[1]->stop();
    m_ui.Label1->setText(QStringLiteral("0"));
    if (duration > kLongTrackSeconds) {
        Dialogs::Message warn;
        warn.text = QStringLiteral("当前曲目总长超过10分钟，运行此操作可能需要很长时间并可能导致"
                                   "计算机长时间无响应！\r\n你确定要继续吗？");
        warn.title = QStringLiteral("警告");
        warn.icon = Dialogs::Icon::Warning;
        warn.buttons = Dialogs::Buttons::YesNo;
        warn.defaultAnswer = Dialogs::Answer::No;
        if (dialogs.message(warn) != Dialogs::Answer::Yes) {
            cancel(c);
            return resumeIfPaused();
        }
    }
    int step = 0;
    if (shift) {
        step = askStep();
        if (step == 0) {
            cancel(c);
            return resumeIfPaused();
        }
    }

    Dialogs::FileRequest save;
    save.title = QStringLiteral("请选择输出文件的保存位置");
    save.filter = QStringLiteral("声音文件(*.wav)|*.wav");
    save.defaultSuffix = QStringLiteral("wav");
    const QString folder = SourceTrack.left(SourceTrack.lastIndexOf(QLatin1Char('/')) + 1);
    save.fileName = folder + ProcessingRules::baseName(SourceTrack) +
                    (shift ? QStringLiteral(" - Shift.wav") : QStringLiteral(" - DeVocal.wav"));
    // A new name must be allowed: the save dialog only asks before replacing a file.
    save.mustExist = false;
    const QString chosen = dialogs.saveFile(save);
    if (chosen.isEmpty()) return cancel(c);
    fileOf(c) = ProcessingRules::outputName(chosen);

    if (!m_wait) {
        m_wait = new FrmWait(m_ui.frmMain);
        // Cancelling is unticking the job's switch.
        connect(m_wait, &FrmWait::cancelled, this, [this] {
            if (m_job) setChecked(m_jobCommand, false);
        });
    }
    m_wait->setCancellable(true);
    m_wait->setText(shift ? QStringLiteral("正在进行改变音调处理，请稍候…")
                          : QStringLiteral("正在进行消减人声处理，请稍候…"));
    m_wait->setProgress(shift ? 1 : 10);
    m_wait->show();

    ProcessedCopyJob::Request request;
    request.kind = shift ? ProcessedCopyJob::Kind::KeyShift : ProcessedCopyJob::Kind::VocalRemoval;
    request.source = SourceTrack;
    request.output = fileOf(c);
    request.tempWav =
        m_ctx.paths.file(shift ? QStringLiteral("TEMP/3.wav") : QStringLiteral("TEMP/2.wav"));
    request.tempWav2 = m_ctx.paths.file(QStringLiteral("TEMP/22.wav"));
    request.shiftMode = ProcessingRules::shiftMode(step);
    request.compensationLevel = m_ctx.settings.VocalCompensation;
    request.spectral = PlayerPreferences().spectralVocalRemoval();
    // The working files of the last command go now.
    QFile::remove(request.tempWav);
    if (!shift) QFile::remove(request.tempWav2);

    m_job = std::make_unique<ProcessedCopyJob>(m_effect, request);
    m_jobCommand = c;
    connect(m_job.get(), &ProcessedCopyJob::progress, this, [this](int percent) {
        if (m_wait) m_wait->setProgress(percent);
    });
    connect(m_job.get(), &ProcessedCopyJob::stage, this, [this](const QString &text) {
        if (m_wait) m_wait->setText(text);
    });
    connect(m_job.get(), &ProcessedCopyJob::finished, this,
            [this, c](bool ok, const QString &message) { jobFinished(c, ok, message); });
    m_ctx.LongCommandRunning = true;
    m_ctx.LongCommandName =
        c == Command::KeyShift ? QStringLiteral("变调处理") : QStringLiteral("消减人声处理");
    m_job->start();
}

void ProcessingController::jobFinished(Command c, bool ok, const QString &message) {
    // The job is still emitting: it goes once control returns to the event loop.
    m_job.release()->deleteLater();
    endLongCommand();
    if (!ok) {
        cancel(c);
        if (m_wait) m_wait->hide();
        error(message);
        restartVisualTimer();
        Q_EMIT commandEnded(false);
        return;
    }
    if (m_wait) {
        m_wait->setProgress(100);
        m_wait->hide();
    }
    restartVisualTimer();
    if (!m_player.setFileName(fileOf(c))) {
        // The reload replaces this window and its controllers: the command ends here. The
        // copy failed, not the playlist's track: the recovery is told so.
        cancel(c);
        Q_EMIT commandEnded(false);
        m_copyFailed = true;
        if (m_hooks.recoverAndReload) m_hooks.recoverAndReload();
        m_copyFailed = false;
        return;
    }
    isOn(c) = true;
    Switch &s = switchFor(c);
    if (s.box) {
        const QSignalBlocker block(s.box);
        s.box->setChecked(true);
    }
    if (s.menu) s.menu->setChecked(true);
    showState(c);
    m_player.play();
    Q_EMIT commandEnded(true);
}

void ProcessingController::abandon() {
    if (!m_job) return;
    m_job.reset();
    endLongCommand();
    if (m_wait) m_wait->hide();
    restartVisualTimer();
}

void ProcessingController::endLongCommand() {
    m_ctx.LongCommandRunning = false;
    m_ctx.LongCommandName.clear();
}

void ProcessingController::restartVisualTimer() {
    const Settings &s = m_ctx.settings;
    if (s.ShowLevelMeter == 1 || s.VisualOn == 1) m_ui.Timer[4]->start();
}

void ProcessingController::switchOffForTrackChange() {
    if (m_job) {
        const Command c = m_jobCommand;
        abandon();
        cancel(c);
    }
    for (Command c : {Command::VocalRemoval, Command::KeyShift}) {
        isOn(c) = false;
        fileOf(c).clear();
        setChecked(c, false);
    }
}

void ProcessingController::onPlayStateChanged(int state) {
    if (state == MediaPlayer::Playing && !m_job) {
        const QString playing = m_player.fileName();
        if (playing != VocalRemovedFile && playing != KeyShiftedFile) {
            for (Command c : {Command::VocalRemoval, Command::KeyShift}) {
                isOn(c) = false;
                setChecked(c, false);
            }
        }
    }
    const bool busy =
        (m_hooks.recording && m_hooks.recording()) || (m_hooks.takeMode && m_hooks.takeMode());
    for (Switch &s : m_switch) {
        if (s.box) s.box->setEnabled(!busy);
        if (s.menu) s.menu->setEnabled(!busy);
    }
}
