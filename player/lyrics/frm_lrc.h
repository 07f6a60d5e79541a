#pragma once
// frmLrc "歌词窗口": the lyrics over the whole screen in three views (100 the lyric text in
// large letters, 101 the lyric painter, 102 three line strips over a background picture),
// with its compensation keys, the video button and the mouse actions that cycle the views
// and close it. The view is LyricDisplayMode while it is 100 or more.
#include "lyrics/lyric_words.h"
#include "shell/app_context.h"
#include "visuals/stretched_picture.h"

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>

class QScreen;

class QLabel;
class QTextEdit;
class QTimer;
class WordWipeLabel;

// What the window needs of the main window.
struct FrmLrcHost {
    std::function<QString()> lyricText;             // the text of the main lyric box
    std::function<QColor()> lyricBackColor;         // the main box's back colour
    std::function<int32_t()> offsetMs;              // LyricOffsetMs
    std::function<void(bool up)> stepOffset;        // the compensation command +50 / -50 ms
    std::function<QImage()> background;             // cover or a random background (null: keep)
    std::function<bool()> videoShown;               // the medium has a picture
    std::function<bool()> videoFullScreen;          // the media player shows it full screen
    std::function<void()> videoToFullScreen;        // ask for the media player's full screen
    std::function<const QImage *()> painterPicture; // the engine picture of view 101
    std::function<void(int step)> stepKey;          // live key: +1, -1 a semitone, 0 original
    std::function<QString()> keyText;               // "音调 +2", empty at the original key
    std::function<QScreen *()> screen;              // where to open (null: the primary screen)
    std::function<QImage()> startupBackground;      // what the main window's background shows
    std::function<WordWipe()> wordWipe;             // the current line's word wipe
};

class FrmLrc : public QWidget {
    Q_OBJECT
public:
    FrmLrc(AppContext &ctx, FrmLrcHost host);

    // Creation layout, then the start-up fill through Timer1.
    void open();
    // The view cycle (Timer2's work): 100 -> 101 -> 102 -> 100.
    void cycleView();
    // Esc, a left release, or a display mode command: the mode drops by 100, closed() follows.
    void closeWindow();
    // Shows the widgets of the current view.
    void applyView();
    // The lyric box takes the main box's text in large letters with the lyric colours.
    void fillText();
    // View 102: the three line texts; the current strip sized to its text, placed at `x`
    // (pixels) in the grey `shade`.
    void setStripTexts(const QString &previous, const QString &current, const QString &next);
    int sizeCurrentTo(const QString &text);
    void moveCurrent(int x);
    void setCurrentShade(int shade);
    QImage backgroundPicture() const { return m_background; }
    // View 102's background; a null picture keeps the old one.
    void showBackground(const QImage &picture);
    // Lays the window out again over the screen the host names now (shown or not).
    void moveToScreen();
    // The live key in the top left corner (hidden at the original key).
    void showKey();

    QTextEdit *RichTextBox1 = nullptr;
    StretchedPicture *Picture1 = nullptr; // view 101: the painter frame over the window
    QLabel *Image1 = nullptr;
    std::array<QLabel *, 3> Picture2{};
    QWidget *Picture3 = nullptr;
    QWidget *Picture4 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Picture5 = nullptr;
    QLabel *lblKey = nullptr;
    QTimer *Timer0 = nullptr, *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr;

Q_SIGNALS:
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void build();
    void layoutWidgets();
    void startupFill();
    void setBackground();
    void showOffset();
    void videoButtonTick();
    void videoFullScreen();

    AppContext &m_ctx;
    FrmLrcHost m_host;
    QImage m_background;
    WordWipeLabel *m_stripWipe = nullptr; // the current strip's word wipe (owned by it)
    bool m_closing = false;
};
