#include "processing/conversion_controller.h"

#include "playback/media_player.h"
#include "shell/frm_wait.h"

#include <QFileInfo>

namespace {
struct Texts {
    const char *openTitle, *openFilter, *saveTitle, *saveFilter, *extension, *wait, *done, *failed;
    int start, step;
};
const Texts kEncode = {"请选择需要转换的WAV文件：",
                       "声音文件(*.wav)|*.wav",
                       "请选择输出MP3文件的目录和名称：",
                       "声音文件(*.mp3)|*.mp3",
                       "mp3",
                       "正在进行MP3编码处理，请稍候…",
                       "MP3编码完成！",
                       "MP3编码失败！",
                       10,
                       1};
const Texts kDecode = {"请选择需要转换的MP3文件：",
                       "声音文件(*.mp3)|*.mp3",
                       "请选择输出WAV文件的目录和名称：",
                       "声音文件(*.wav)|*.wav",
                       "wav",
                       "正在进行MP3解码处理，请稍候…",
                       "MP3解码完成！",
                       "MP3解码失败！",
                       5,
                       5};
constexpr int kEstimateLimit = 90;
const char *const kCommandName = "格式转换";
} // namespace

ConversionController::ConversionController(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                                           QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_player(player) {
    if (QAction *a = m_ui.action("mnuTools1"))
        connect(a, &QAction::triggered, this, &ConversionController::wavToMp3);
    if (QAction *a = m_ui.action("mnuTools2"))
        connect(a, &QAction::triggered, this, &ConversionController::mp3ToWav);
    m_ui.TimerEnMp3->setInterval(1000);
    m_ui.TimerUnEnMp3->setInterval(1000);
    connect(m_ui.TimerEnMp3, &QTimer::timeout, this, [this] { tick(true); });
    connect(m_ui.TimerUnEnMp3, &QTimer::timeout, this, [this] { tick(false); });
    connect(&m_job, &CodecJob::progress, this, [this](int percent) {
        // The job's own progress moves the bar within the estimate's range.
        const Texts &t = m_encoding ? kEncode : kDecode;
        const int mapped = t.start + percent * (kEstimateLimit - t.start) / 100;
        if (mapped > m_progress && m_wait) m_wait->setProgress(m_progress = mapped);
    });
    connect(&m_job, &CodecJob::finished, this, [this](bool ok, const QString &error) {
        m_ok = ok;
        m_error = error;
        m_encoding = m_decoding = false;
        m_ctx.LongCommandRunning = false;
        m_ctx.LongCommandName.clear();
    });
}

ConversionController::~ConversionController() {
    // The job is a member: its destructor cancels it and removes its temporary file.
    if (m_job.running()) {
        m_ctx.LongCommandRunning = false;
        m_ctx.LongCommandName.clear();
    }
    if (m_wait) m_wait->deleteLater();
}

QString ConversionController::proposedName(const QString &input, const QString &extension) {
    const QFileInfo info(input);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString folder = input.left(input.size() - name.size());
    return folder + (dot < 0 ? name + QLatin1Char('.') : name.left(dot + 1)) + extension;
}

void ConversionController::wavToMp3() {
    convert(true);
}
void ConversionController::mp3ToWav() {
    convert(false);
}

void ConversionController::endWithoutJob() {
    m_ctx.PlayerBusy = false;
    if (m_player.playState() == MediaPlayer::Paused) m_player.play();
}

void ConversionController::convert(bool encode) {
    const Texts &t = encode ? kEncode : kDecode;
    Dialogs &dialogs = *m_ctx.dialogs;
    if (m_job.running() || m_ctx.LongCommandRunning) {
        // Name what really runs: the other long commands (key shift, vocal removal) count too.
        const QString running = m_job.running() || m_ctx.LongCommandName.isEmpty()
                                    ? QString::fromUtf8(kCommandName)
                                    : m_ctx.LongCommandName;
        dialogs.warning(QStringLiteral("请等待当前的") + running + QStringLiteral("完成！"));
        return;
    }
    if (m_player.duration() != 0.0 && m_player.playState() == MediaPlayer::Playing)
        m_player.pause();
    m_ctx.PlayerBusy = true;
    Dialogs::FileRequest open;
    open.title = QString::fromUtf8(t.openTitle);
    open.filter = QString::fromUtf8(t.openFilter);
    const QStringList chosen = dialogs.openFiles(open);
    if (chosen.isEmpty() || chosen.first().isEmpty()) return endWithoutJob();
    const QString input = chosen.first();
    Dialogs::FileRequest save;
    save.title = QString::fromUtf8(t.saveTitle);
    save.filter = QString::fromUtf8(t.saveFilter);
    save.defaultSuffix = QLatin1String(t.extension);
    save.fileName = proposedName(input, QLatin1String(t.extension));
    save.mustExist = false;
    const QString output = dialogs.saveFile(save);
    if (output.isEmpty()) return endWithoutJob();

    m_ui.Timer[4]->stop();
    if (!m_wait) m_wait = new FrmWait(m_ui.frmMain);
    m_wait->setText(QString::fromUtf8(t.wait));
    m_wait->setProgress(m_progress = t.start);
    m_wait->show();
    codec::EncodeOptions options;
    options.bitRate = m_ctx.settings.Mp3BitRate;
    options.sampleRate = m_ctx.settings.Mp3SampleRate;
    m_ok = false;
    m_error.clear();
    m_job.start(encode ? CodecJob::Kind::Encode : CodecJob::Kind::Decode, input, output, options);
    m_ctx.LongCommandRunning = true;
    m_ctx.LongCommandName = QString::fromUtf8(kCommandName);
    (encode ? m_encoding : m_decoding) = true;
    (encode ? m_ui.TimerEnMp3 : m_ui.TimerUnEnMp3)->start();
}

void ConversionController::tick(bool encode) {
    const Texts &t = encode ? kEncode : kDecode;
    if (encode ? m_encoding : m_decoding) {
        if (m_progress < kEstimateLimit && m_wait)
            m_wait->setProgress(m_progress = std::min(kEstimateLimit, m_progress + t.step));
        return;
    }
    finish(encode);
}

void ConversionController::finish(bool encode) {
    const Texts &t = encode ? kEncode : kDecode;
    (encode ? m_ui.TimerEnMp3 : m_ui.TimerUnEnMp3)->stop();
    if (m_wait) {
        m_wait->setProgress(100);
        m_wait->hide();
    }
    Dialogs::Message m;
    if (m_ok) {
        m.text = QString::fromUtf8(t.done);
        m.icon = Dialogs::Icon::None;
    } else {
        m.text = QString::fromUtf8(t.failed) + QLatin1Char('\n') + m_error;
        m.icon = Dialogs::Icon::Critical;
    }
    m_ctx.dialogs->message(m);
    m_ctx.PlayerBusy = false;
    const Settings &s = m_ctx.settings;
    if (s.ShowLevelMeter == 1 || s.VisualOn == 1) m_ui.Timer[4]->start();
}
