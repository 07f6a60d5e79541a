#pragma once
// Draws the engine's video with the libmpv render API. The widget only renders: the engine
// owns mpv, and the widget lends it an OpenGL context while it exists. With DisplaySize 3 the
// widget leaves its area on the main window for a full-screen window of its own; Esc there
// brings it back.
#include <QOpenGLWidget>
#include <QPointer>

class MpvMediaPlayer;

class MpvVideoWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    // Placed into `area`, filling it.
    MpvVideoWidget(MpvMediaPlayer &player, QWidget *area);
    ~MpvVideoWidget() override;

    // Whether this system can give the widget an OpenGL context at all (not on the offscreen
    // platform of the tests, for instance); without one the video is not drawn.
    static bool openGlAvailable();

protected:
    void initializeGL() override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    static void *procAddress(void *ctx, const char *name);
    static void frameReady(void *self); // any thread: only posts a repaint
    void releaseRenderer();
    void applyDisplaySize(int size);

    MpvMediaPlayer &m_player;
    QPointer<QWidget> m_area;
};
