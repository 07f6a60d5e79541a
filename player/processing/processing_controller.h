#pragma once
// Key shift ("改变当前曲目的音调", Check3 / mnuShifting) and vocal removal
// ("消减原唱歌曲中的人声", Check2 / mnuRemoveVocal): the switches, their questions and dialogs,
// the processed copies the player plays instead of the track, and the effect control that
// makes them. The long work runs as a ProcessedCopyJob while the wait window shows its
// progress; the window stays usable, a second long command is refused, a track switch or
// closing the window abandons the job.
#include "processing/effect_host.h"
#include "processing/processed_copy_job.h"
#include "shell/app_context.h"
#include "shell/frm_wait.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class MediaPlayer;
class PlaylistModel;
class QCheckBox;

// What processing asks of the other subsystems. Unset members do nothing (queries answer false).
struct ProcessingHooks {
    std::function<void()> recoverAndReload; // the processed copy could not be loaded
    std::function<bool()> recording;        // recording over the accompaniment
    std::function<bool()> takeMode;         // a saved take is loaded
    // The step dialog frmShiftSet: the chosen step, 0 when cancelled. Unset: the real dialog.
    std::function<int()> askShiftStep;
};

class ProcessingController : public QObject {
    Q_OBJECT
public:
    enum class Command { KeyShift, VocalRemoval };

    ProcessingController(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                         PlaylistModel &model, QObject *parent = nullptr);
    ~ProcessingController() override;

    ProcessingHooks &hooks() { return m_hooks; }
    EffectHost &effect() { return m_effect; }
    FrmWait *waitWindow() const { return m_wait; }
    bool running() const { return m_job != nullptr; }

    // Main-window state of the processed copies.
    bool KeyShiftOn = false;
    QString KeyShiftedFile;
    bool VocalRemovalOn = false;
    QString VocalRemovedFile;
    QString SourceTrack;

    // A processed copy is what the player plays, or the one that was to be failed to load.
    bool copyInUse() const { return KeyShiftOn || VocalRemovalOn || m_copyFailed; }

    // The track ended or another one is loaded: both copies switch off, a job is abandoned.
    void switchOffForTrackChange();
    // The player's state changed: a playing file that is neither copy switches them off; the
    // switches are unavailable while recording or playing a take.
    void onPlayStateChanged(int state);
    // Drops a running job (the window unloads): its worker is joined, its files removed.
    void abandon();

protected:
    // The switches light up under the pointer and go back to the button face when it moves
    // over the window's background.
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // A command ended (made its copy, failed or was cancelled).
    void commandEnded(bool ok);

private:
    struct Switch {
        QCheckBox *box = nullptr;
        QAction *menu = nullptr;
        int picture = 0; // imgS index while on
        const char *tipOn = nullptr;
        const char *tipOff = nullptr;
    };

    Switch &switchFor(Command c) { return m_switch[c == Command::KeyShift ? 0 : 1]; }
    bool m_copyFailed = false; // while the recovery after a copy that did not load runs
    bool &isOn(Command c) { return c == Command::KeyShift ? KeyShiftOn : VocalRemovalOn; }
    QString &fileOf(Command c) {
        return c == Command::KeyShift ? KeyShiftedFile : VocalRemovedFile;
    }
    QString &otherFile(Command c) {
        return c == Command::KeyShift ? VocalRemovedFile : KeyShiftedFile;
    }

    void onSwitchToggled(Command c, bool checked);
    void switchedOff(Command c);
    void showState(Command c);
    void setChecked(Command c, bool checked); // runs the switch's handler like a click
    void begin(Command c);
    void cancel(Command c);
    void cancelAndDisable(Command c);
    void resumeIfPaused();
    int askStep();
    void jobFinished(Command c, bool ok, const QString &message);
    void restartVisualTimer();
    void endLongCommand();
    void error(const QString &text);
    void setSwitchBackground(QCheckBox *box, QPalette::ColorRole role);

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    MediaPlayer &m_player;
    PlaylistModel &m_model;
    ProcessingHooks m_hooks;
    EffectHost m_effect;
    std::array<Switch, 2> m_switch;
    std::array<QPixmap, 5> m_imgS;
    QPointer<FrmWait> m_wait;
    std::unique_ptr<ProcessedCopyJob> m_job;
    Command m_jobCommand = Command::KeyShift; // what m_job makes
};
