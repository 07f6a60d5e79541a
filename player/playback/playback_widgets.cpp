#include "playback/playback_widgets.h"

#include "playback/mpv_video_widget.h"
#include "widgets/xp_button.h"

#include <QMouseEvent>
#include <QTextCursor>

PlaybackWidgets::PlaybackWidgets(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                                 QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui),
      m_player(std::make_unique<MpvMediaPlayer>(MpvMediaPlayer::Options::fromEnvironment())) {
    if (!m_player->isValid())
        qWarning("Lyravox: the media player could not start: %s",
                 qPrintable(m_player->startError()));
    m_player->setDisplayOption(false);
    m_controller = std::make_unique<PlaybackController>(ctx, model, *m_player, *this);

    if (QScrollBar *bar = m_ui.HScroll1) {
        bar->setRange(MediaPlayer::kBalanceMin, MediaPlayer::kBalanceMax);
        bar->setSingleStep(250);
        bar->setPageStep(1000);
        bar->setValue(0);
        bar->setToolTip(QStringLiteral("左右声道均衡"));
    }
    if (m_ui.Label3) m_ui.Label3->setToolTip(QStringLiteral("左右声道均衡"));
    bindCommands();
}

PlaybackWidgets::~PlaybackWidgets() {
    // The video widget hands its renderer back while the engine still exists.
    delete m_video;
    m_video = nullptr;
}

void PlaybackWidgets::bindCommands() {
    PlaybackController *c = m_controller.get();
    auto button = [this](int index, auto slot) {
        if (XPButton *b = m_ui.XPButton[size_t(index)])
            connect(b, &XPButton::clicked, m_controller.get(), slot);
    };
    button(1, &PlaybackController::previous);
    button(2, &PlaybackController::next);
    button(12, &PlaybackController::playButton);
    button(13, &PlaybackController::stop);
    button(18, &PlaybackController::pauseButton);
    if (XPButton *b = m_ui.XPButton[24])
        connect(b, &XPButton::clicked, c,
                [c] { c->videoFullScreen(PlaybackController::FullScreenSource::Button); });

    auto action = [this](const char *name, auto slot) {
        if (QAction *a = m_ui.action(name))
            connect(a, &QAction::triggered, m_controller.get(), slot);
    };
    action("mnuPlayPause", &PlaybackController::playPause);
    action("mnuStop", &PlaybackController::stop);
    action("mnuPrevious", &PlaybackController::previous);
    action("mnuNext", &PlaybackController::next);
    action("mnuPlaySelct", &PlaybackController::playSelected);
    if (QAction *a = m_ui.action("mnuFull")) {
        a->setEnabled(false);
        connect(a, &QAction::triggered, c,
                [c] { c->videoFullScreen(PlaybackController::FullScreenSource::Menu); });
    }
    if (m_ui.HScroll1)
        connect(m_ui.HScroll1, &QScrollBar::valueChanged, c, &PlaybackController::setBalance);

    // A left press on the cover picture or the visualization area plays or pauses.
    for (QWidget *w : {static_cast<QWidget *>(m_ui.Image2), m_ui.Picture2, m_ui.Picture5})
        if (w) w->installEventFilter(this);
}

bool PlaybackWidgets::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // Image2 lies on Picture2: one press is one command.
        if (watched != m_ui.Picture2 || !m_ui.Image2 || !m_ui.Image2->isVisible())
            m_controller->playPause();
    }
    return false;
}

QString PlaybackWidgets::windowCaption() const {
    return m_ui.frmMain ? m_ui.frmMain->windowTitle() : QString();
}

void PlaybackWidgets::setTitleLine(const QString &text, const QString &toolTip) {
    if (!m_ui.Label4) return;
    m_ui.Label4->setText(text);
    m_ui.Label4->setToolTip(toolTip);
}

void PlaybackWidgets::setHint(const QString &text) {
    if (!m_ui.Label5) return;
    m_ui.Label5->setText(text);
    m_ui.Label5->setToolTip(text);
}

void PlaybackWidgets::showVideoLayout(bool video, bool visualOn) {
    if (video) {
        if (!m_video && m_ui.MediaPlayer1 && MpvVideoWidget::openGlAvailable())
            m_video = new MpvVideoWidget(*m_player, m_ui.MediaPlayer1);
        if (m_ui.MediaPlayer1) {
            m_ui.MediaPlayer1->show();
            m_ui.MediaPlayer1->raise();
        }
        if (m_ui.Picture2) m_ui.Picture2->hide();
        if (m_ui.Picture5) m_ui.Picture5->hide();
    } else {
        if (m_ui.MediaPlayer1) m_ui.MediaPlayer1->hide();
        if (visualOn && m_ui.Picture5) m_ui.Picture5->show();
    }
}

void PlaybackWidgets::setFullScreenEnabled(bool enabled) {
    if (QAction *a = m_ui.action("mnuFull")) a->setEnabled(enabled);
}

void PlaybackWidgets::setNavigationEnabled(Command command, bool enabled) {
    if (QAction *a = m_ui.action(command == Command::Next ? "mnuNext" : "mnuPrevious"))
        a->setEnabled(enabled);
    for (int k : {1, 2})
        if (XPButton *b = m_ui.XPButton[size_t(k)]) b->setEnabled(enabled);
}

void PlaybackWidgets::focusSkin() {
    if (m_ui.PicShape) m_ui.PicShape->setFocus();
}

void PlaybackWidgets::setBalanceText(const QString &text) {
    if (m_ui.Label3) m_ui.Label3->setText(text);
}

void PlaybackWidgets::stopLyricTimer() {
    if (QTimer *t = m_ui.Timer[1]) t->stop();
}

void PlaybackWidgets::resetLyricDisplay() {
    if (m_ui.Label1) m_ui.Label1->setText(QStringLiteral("0"));
    if (QTextEdit *box = m_ui.RichTextBox1) {
        box->setEnabled(true);
        QTextCursor cursor = box->textCursor();
        cursor.setPosition(0);
        box->setTextCursor(cursor);
    }
}

void PlaybackWidgets::stopLyricDownloadTimers() {
    for (int k : {2, 9})
        if (QTimer *t = m_ui.Timer[size_t(k)]) t->stop();
}
