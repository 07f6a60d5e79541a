#pragma once
// The player's instance of the effect control (Effect1), called through its C interface. Its
// events arrive on the UI thread as signals, always queued, so a handler may call the control
// again; its messages are posted to the UI thread (the control's worker never waits for it).
// Destroying the host stops the running action and waits for the control's worker.
#include <QObject>
#include <QString>
#include <array>

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
    // InputFileSave; true only when the control reports the file written (its result is in
    // `code` when given).
    bool inputFileSave(const QString &path, int *code = nullptr);
    void stopEffect();
    // A sound is loaded (after a load's end event: the load really succeeded).
    bool soundLoaded() const;

Q_SIGNALS:
    void endOfAction(int code);
    void actionPosition(int percent);
    // A message of the control (file errors), in English.
    void message(const QString &text);

private:
    static void onEvent(void *ctx, int event, int arg);
    static void onMessage(void *ctx, const char *text);
    int call(int dispid, const void *args, int count);
    void deliver();

    lvx_effect *m_fx = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    bool m_written = false;
};
