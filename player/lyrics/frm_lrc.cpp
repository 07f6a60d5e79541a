#include "lyrics/frm_lrc.h"

#include "lyrics/lyric_box.h"
#include "lyrics/word_wipe_label.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>

namespace {

constexpr int kTwipsPerPixel = 15;

template <typename W> W *make(QWidget *parent, const char *name) {
    W *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QTimer *timer(QObject *parent, const char *name, int interval, bool oneShot) {
    auto *t = new QTimer(parent);
    t->setObjectName(QLatin1String(name));
    t->setInterval(interval);
    t->setSingleShot(oneShot);
    return t;
}

// The built-in background: 288 x 216, a night-blue gradient.
QImage builtInPicture() {
    QImage picture(288, 216, QImage::Format_RGB888);
    QPainter p(&picture);
    QLinearGradient g(0, 0, 0, 216);
    g.setColorAt(0, QColor(10, 16, 60));
    g.setColorAt(1, QColor(70, 20, 90));
    p.fillRect(picture.rect(), g);
    return picture;
}

void setTextColour(QLabel *label, const QColor &colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}

} // namespace

FrmLrc::FrmLrc(AppContext &ctx, FrmLrcHost host) : m_ctx(ctx), m_host(std::move(host)) {
    build();
}

void FrmLrc::build() {
    setObjectName(QStringLiteral("frmLrc"));
    setWindowTitle(QStringLiteral("歌词窗口"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    Image1 = make<QLabel>(this, "Image1");
    Image1->setScaledContents(true);
    m_background = builtInPicture();
    Image1->setPixmap(QPixmap::fromImage(m_background));
    Picture1 = new StretchedPicture(m_host.painterPicture, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    RichTextBox1 = make<QTextEdit>(this, "RichTextBox1");
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setFocusPolicy(Qt::NoFocus);
    RichTextBox1->setContextMenuPolicy(Qt::NoContextMenu);
    RichTextBox1->setFrameShape(QFrame::NoFrame);
    RichTextBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichTextBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichTextBox1->setFont(LyricBox::font(QStringLiteral("宋体"), 12, true));
    RichTextBox1->viewport()->installEventFilter(this);

    Picture3 = make<QWidget>(this, "Picture3");
    Picture3->setAutoFillBackground(true);
    QPalette band = Picture3->palette();
    band.setColor(QPalette::Window, QColor(0, 0, 0, 110));
    Picture3->setPalette(band);
    const int sizes[3] = {24, 42, 24};
    for (int k = 0; k < 3; ++k) {
        QLabel *strip = make<QLabel>(this, "Picture2");
        strip->setProperty("index", k);
        strip->setFont(LyricBox::font(QStringLiteral("宋体"), sizes[k], true));
        setTextColour(strip, k == 1 ? QColor(Qt::white) : QColor(128, 128, 128));
        strip->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        Picture2[size_t(k)] = strip;
    }
    if (m_host.wordWipe)
        m_stripWipe = new WordWipeLabel(Picture2[1], m_host.wordWipe,
                                        [this] { return m_ctx.settings.LyricTextColor; });
    // The indicator keeps the ordinary control colours: on the window's black its label would
    // otherwise be black on black.
    Picture4 = make<QWidget>(this, "Picture4");
    Picture4->setAutoFillBackground(true);
    QPalette control = QApplication::palette();
    control.setColor(QPalette::Window, control.color(QPalette::Button));
    control.setColor(QPalette::WindowText, control.color(QPalette::ButtonText));
    Picture4->setPalette(control);
    Label1 = make<QLabel>(Picture4, "Label1");
    Label1->setText(QStringLiteral("歌词时间补偿"));
    Label1->setFont(LyricBox::font(QStringLiteral("宋体"), 14, true));
    Picture5 = make<QLabel>(this, "Picture5");
    Picture5->setPixmap(
        QApplication::style()->standardIcon(QStyle::SP_TitleBarMaxButton).pixmap(32));
    Picture5->setToolTip(QStringLiteral("全屏显示视频"));
    Picture5->installEventFilter(this);
    Picture5->hide();
    lblKey = make<QLabel>(this, "lblKey");
    lblKey->setFont(LyricBox::font(QStringLiteral("宋体"), 14, true));
    setTextColour(lblKey, Qt::white);
    lblKey->hide();

    Timer0 = timer(this, "Timer0", 1000, false);
    Timer1 = timer(this, "Timer1", 1, true);
    Timer2 = timer(this, "Timer2", 1, true);
    Timer3 = timer(this, "Timer3", 5000, true);
    connect(Timer0, &QTimer::timeout, this, &FrmLrc::videoButtonTick);
    connect(Timer1, &QTimer::timeout, this, &FrmLrc::startupFill);
    connect(Timer2, &QTimer::timeout, this, &FrmLrc::cycleView);
    connect(Timer3, &QTimer::timeout, Picture4, &QWidget::hide);
}

void FrmLrc::layoutWidgets() {
    QScreen *screen = m_host.screen ? m_host.screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen && screen != this->screen()) setScreen(screen);
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    setGeometry(area);
    const int width = area.width(), height = area.height();
    for (QWidget *w : {static_cast<QWidget *>(RichTextBox1), static_cast<QWidget *>(Picture1),
                       static_cast<QWidget *>(Image1)})
        w->setGeometry(0, 0, width, height);
    int stripHeight[3];
    for (int k = 0; k < 3; ++k) {
        stripHeight[k] = QFontMetrics(Picture2[size_t(k)]->font()).height();
        Picture2[size_t(k)]->clear();
    }
    Picture2[0]->setGeometry(0, 0, width, stripHeight[0]);
    Picture2[2]->setGeometry(0, height - stripHeight[2], width, stripHeight[2]);
    Picture2[1]->setGeometry(0, height - stripHeight[2] - stripHeight[1], width, stripHeight[1]);
    Picture3->setGeometry(Picture2[1]->geometry());
    Label1->adjustSize();
    Label1->move(0, 0);
    Picture4->resize(Label1->size());
    Picture4->move(width - Label1->width() - 1200 / kTwipsPerPixel, 0);
    Picture5->adjustSize();
    Picture5->move(width - Picture5->width() - 300 / kTwipsPerPixel, 0);
    for (QWidget *w : {static_cast<QWidget *>(Picture2[0]), static_cast<QWidget *>(Picture2[1]),
                       static_cast<QWidget *>(Picture2[2]), Picture3, Picture4})
        w->hide();
    Picture3->raise();
    for (QLabel *strip : Picture2)
        strip->raise();
    Picture4->raise();
    Picture5->raise();
    showKey();
}

void FrmLrc::showKey() {
    const QString text = m_host.keyText ? m_host.keyText() : QString();
    lblKey->setText(text);
    lblKey->adjustSize();
    lblKey->move(300 / kTwipsPerPixel, 0);
    lblKey->setVisible(!text.isEmpty());
    lblKey->raise();
}

void FrmLrc::setBackground() {
    // An empty folder or an unreadable file keeps the old picture.
    showBackground(m_host.background ? m_host.background() : QImage());
}

void FrmLrc::showBackground(const QImage &picture) {
    if (picture.isNull()) return;
    m_background = picture;
    Image1->setPixmap(QPixmap::fromImage(m_background));
}

void FrmLrc::open() {
    layoutWidgets();
    setBackground();
    Timer1->start();
}

void FrmLrc::moveToScreen() {
    const bool up = isVisible();
    // A full-screen window keeps its place until it is an ordinary window again.
    if (up) showNormal();
    layoutWidgets();
    applyView();
    if (!up) return;
    showFullScreen();
    raise();
    activateWindow();
}

void FrmLrc::startupFill() {
    Timer1->stop();
    fillText();
    applyView();
    // The picture view goes on with the background the main window shows.
    if (m_host.startupBackground) showBackground(m_host.startupBackground());
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
    Timer0->start();
}

void FrmLrc::fillText() {
    LyricBox box(RichTextBox1);
    box.setText(m_host.lyricText ? m_host.lyricText() : QString());
    Settings large = m_ctx.settings;
    large.LyricFontSize = 32;
    if (m_host.lyricBackColor) large.LyricBackColor = m_host.lyricBackColor();
    box.format(large);
    box.setCaret(0);
}

void FrmLrc::applyView() {
    const int view = m_ctx.settings.LyricDisplayMode;
    const bool text = view == 100, picture = view == 102;
    RichTextBox1->setVisible(text);
    Picture1->setVisible(view == 101);
    Image1->setVisible(picture);
    for (QLabel *strip : Picture2)
        strip->setVisible(picture);
    Picture3->setVisible(picture);
}

void FrmLrc::cycleView() {
    Timer2->stop();
    int &mode = m_ctx.settings.LyricDisplayMode;
    if (mode == 100) {
        mode = 101;
    } else if (mode == 101) {
        setBackground();
        mode = 102;
    } else if (mode == 102) {
        mode = 100;
    } else {
        return;
    }
    applyView();
}

void FrmLrc::setStripTexts(const QString &previous, const QString &current, const QString &next) {
    Picture2[0]->setText(previous);
    Picture2[1]->setText(current);
    Picture2[2]->setText(next);
    if (m_stripWipe) m_stripWipe->refresh();
}

int FrmLrc::sizeCurrentTo(const QString &text) {
    QLabel *strip = Picture2[1];
    const int textWidth = QFontMetrics(strip->font()).horizontalAdvance(text) + 2;
    strip->resize(textWidth, strip->height());
    return textWidth;
}

void FrmLrc::moveCurrent(int x) {
    Picture2[1]->move(x, Picture2[1]->y());
}

void FrmLrc::setCurrentShade(int shade) {
    setTextColour(Picture2[1], QColor(shade, shade, shade));
}

void FrmLrc::showOffset() {
    const int32_t offset = m_host.offsetMs ? m_host.offsetMs() : 0;
    Label1->setText(QStringLiteral("【歌词时间补偿：") + QString::number(offset) +
                    QStringLiteral("】"));
    Label1->adjustSize();
    Label1->move(0, 0);
    Picture4->resize(Label1->size());
    Picture4->move(width() - Label1->width() - 1200 / kTwipsPerPixel, 0);
    Picture4->show();
    Picture4->raise();
    Timer3->stop();
}

void FrmLrc::videoButtonTick() {
    const bool video = m_host.videoShown && m_host.videoShown();
    const bool full = m_host.videoFullScreen && m_host.videoFullScreen();
    Picture5->setVisible(video && !full);
}

void FrmLrc::videoFullScreen() {
    const bool video = m_host.videoShown && m_host.videoShown();
    const bool full = m_host.videoFullScreen && m_host.videoFullScreen();
    if (video && !full && m_host.videoToFullScreen) m_host.videoToFullScreen();
}

void FrmLrc::closeWindow() {
    if (m_closing) return;
    m_closing = true;
    Timer0->stop();
    int &mode = m_ctx.settings.LyricDisplayMode;
    mode = std::max(0, mode - 100);
    hide();
    Q_EMIT closed();
}

static bool isOffsetKey(const QKeyEvent *key) {
    return (key->modifiers() & Qt::KeypadModifier) &&
           (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Minus);
}

void FrmLrc::keyPressEvent(QKeyEvent *event) {
    // Ctrl+Up / Ctrl+Down a semitone, Ctrl+0 the original key (as on the main window).
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier && m_host.stepKey) {
        const int key = event->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_0) {
            m_host.stepKey(key == Qt::Key_Up ? 1 : key == Qt::Key_Down ? -1 : 0);
            showKey();
            return;
        }
    }
    if (isOffsetKey(event)) {
        if (m_host.stepOffset) m_host.stepOffset(event->key() == Qt::Key_Plus);
        showOffset();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmLrc::keyReleaseEvent(QKeyEvent *event) {
    if (event->isAutoRepeat()) return;
    if (isOffsetKey(event)) {
        Timer3->start();
    } else if (event->key() == Qt::Key_Escape) {
        closeWindow();
    } else if (event->key() == Qt::Key_H) {
        cycleView();
    } else if (event->key() == Qt::Key_F) {
        videoFullScreen();
    } else {
        QWidget::keyReleaseEvent(event);
    }
}

void FrmLrc::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        closeWindow();
    else if (event->button() == Qt::RightButton)
        Timer2->start();
}

bool FrmLrc::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Picture5 && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) videoFullScreen();
        return true;
    }
    if (watched == RichTextBox1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        mouseReleaseEvent(static_cast<QMouseEvent *>(event));
        return true;
    }
    return false;
}

void FrmLrc::closeEvent(QCloseEvent *event) {
    closeWindow();
    QWidget::closeEvent(event);
}
