#pragma once
// The player's instance of the effect control (Effect1), called through its C interface. Its
// events arrive on the UI thread as signals, always queued, so a handler may call the control
// again; its messages are posted to the UI thread (the control's worker never waits for it).
// Destroying the host stops the running action and waits for the control's worker and for a
// save under way.
//
// Every action a member starts gets an id, and its events carry it: the control runs one action
// at a time and a new one starts only once the one before has let the sound go, so all events
// of an earlier action are queued before any of a later one. A load always ends with its end
// event; a stopped action ends with its own end event or none at all. Events that belong to no
// action the host knows carry id 0.
#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <deque>
#include <thread>

struct lvx_effect;
class QSocketNotifier;

class EffectHost : public QObject {
    Q_OBJECT
public:
    explicit EffectHost(QObject *parent = nullptr);
    ~EffectHost() override;

    // The members the player calls; each answers the control's result code.
    int inputFileOpen(const QString &path);
    int shifting(int mode, int size);
    int eq(const std::array<int, 9> &gains, int filterDry);
    // The id of the action the last of those members started (0 when it was refused).
    int lastAction() const { return m_lastAction; }
    // InputFileSave on a thread of its own, so the window answers while a long sound is
    // written; saved() tells the outcome. False when a save is already under way.
    bool startSave(const QString &path);
    bool saving() const { return m_saveThread.joinable(); }
    void stopEffect();
    // A sound is loaded (after a load's end event: the load really succeeded).
    bool soundLoaded() const;
    // The loaded sound's channels, bits per sample, rate and bytes; false when none is loaded.
    bool soundFormat(int *channels, int *bits, int *rate, int *bytes) const;

Q_SIGNALS:
    void endOfAction(int action, int code);
    void actionPosition(int action, int percent);
    // ok: the control reports the file written; `code` is InputFileSave's result.
    void saved(bool ok, int code);
    // A message of the control (file errors), in English.
    void message(const QString &text);

private:
    struct Pending {
        int id;
        int endCode;
        bool stopped; // may end without its end event
    };

    static void onEvent(void *ctx, int event, int arg);
    static void onMessage(void *ctx, const char *text);
    int call(int dispid, const void *args, int count);
    int start(int dispid, const void *args, int count, int endCode, int startedCode);
    int owner(int event, int arg);
    void deliver();
    void saveDone(int code);

    lvx_effect *m_fx = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    std::deque<Pending> m_pending; // started actions whose end has not been seen, oldest first
    int m_nextId = 1;
    int m_lastAction = 0;
    bool m_starting = false; // start() waits for the control to start an action
    std::atomic<bool> m_written{false};
    std::thread m_saveThread;
    QByteArray m_saveName;
};
