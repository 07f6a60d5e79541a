#include "playback/mpv_video_widget.h"

#include "playback/mpv_media_player.h"

#include <QKeyEvent>
#include <QMetaObject>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QVBoxLayout>

MpvVideoWidget::MpvVideoWidget(MpvMediaPlayer &player, QWidget *area)
    : QOpenGLWidget(area), m_player(player), m_area(area) {
    setObjectName(QStringLiteral("MpvVideo"));
    setFocusPolicy(Qt::ClickFocus);
    if (area) {
        auto *layout = new QVBoxLayout(area);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(this);
    }
    connect(&m_player, &MediaPlayer::displaySizeChanged, this, &MpvVideoWidget::applyDisplaySize);
}

MpvVideoWidget::~MpvVideoWidget() {
    // The base class destroys the context after this object is gone: no call back into it.
    if (QOpenGLContext *gl = context()) disconnect(gl, nullptr, this, nullptr);
    // The renderer must go with its own context current, before the context does.
    makeCurrent();
    releaseRenderer();
    doneCurrent();
}

bool MpvVideoWidget::openGlAvailable() {
    static const bool available = [] {
        QOpenGLContext context;
        if (!context.create()) return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        return surface.isValid() && context.makeCurrent(&surface);
    }();
    return available;
}

void *MpvVideoWidget::procAddress(void *, const char *name) {
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(name)) : nullptr;
}

void MpvVideoWidget::frameReady(void *self) {
    auto *widget = static_cast<MpvVideoWidget *>(self);
    QMetaObject::invokeMethod(
        widget, [widget] { widget->update(); }, Qt::QueuedConnection);
}

void MpvVideoWidget::initializeGL() {
    // Moving the widget to another window (full screen and back) replaces its context.
    connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this,
        [this] {
            makeCurrent();
            releaseRenderer();
            doneCurrent();
        },
        Qt::DirectConnection);
    m_player.attachGlRenderer(&MpvVideoWidget::procAddress, nullptr, &MpvVideoWidget::frameReady,
                              this);
}

void MpvVideoWidget::releaseRenderer() {
    if (m_player.hasRenderer()) m_player.detachGlRenderer();
}

void MpvVideoWidget::paintGL() {
    const qreal ratio = devicePixelRatioF();
    m_player.renderFrame(int(defaultFramebufferObject()), int(width() * ratio),
                         int(height() * ratio));
}

void MpvVideoWidget::applyDisplaySize(int size) {
    const bool full = size == MediaPlayer::kFullScreen;
    if (full && !isWindow()) {
        setParent(nullptr);
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setWindowTitle(QStringLiteral("Lyravox"));
        showFullScreen();
        activateWindow();
        setFocus();
    } else if (!full && isWindow()) {
        showNormal();
        setWindowFlags(Qt::Widget);
        if (m_area) {
            setParent(m_area);
            if (m_area->layout()) m_area->layout()->addWidget(this);
        }
        show();
    }
}

void MpvVideoWidget::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && isWindow()) {
        m_player.setDisplaySize(0);
        return;
    }
    QOpenGLWidget::keyPressEvent(event);
}

void MpvVideoWidget::focusInEvent(QFocusEvent *event) {
    QOpenGLWidget::focusInEvent(event);
    m_player.reportFocusGained();
}
