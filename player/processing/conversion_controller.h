#pragma once
// "WAV转MP3" and "MP3转WAV": the user picks a file and an output name, the codec job runs in the
// background while the wait window shows its progress, and a message tells how it ended.
#include "processing/codec_job.h"
#include "shell/app_context.h"
#include "shell/frm_wait.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <QPointer>

class MediaPlayer;

class ConversionController : public QObject {
    Q_OBJECT
public:
    ConversionController(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                         QObject *parent = nullptr);
    ~ConversionController() override;

    void wavToMp3(); // mnuTools1
    void mp3ToWav(); // mnuTools2

    bool EncodingActive() const { return m_encoding; }
    bool DecodingActive() const { return m_decoding; }
    FrmWait *waitWindow() const { return m_wait; }
    // The output name first proposed for `input`: its extension replaced by `extension`.
    static QString proposedName(const QString &input, const QString &extension);

private:
    void convert(bool encode);
    void endWithoutJob();
    void tick(bool encode);
    void finish(bool encode);

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    MediaPlayer &m_player;
    CodecJob m_job;
    QPointer<FrmWait> m_wait;
    bool m_encoding = false;
    bool m_decoding = false;
    bool m_ok = false;
    QString m_error;
    int m_progress = 0;
};
