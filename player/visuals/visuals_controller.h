#pragma once
// The visuals of the main window: Timer4 draws the level meter in Picture3 and the chosen
// style in the visualization box Picture5 from the newest input, and moves the window in the
// hidden bounce mode; the style menus and the visualization switch; the lyric painter frame of
// display mode 1 in Picture1. The arithmetic lives in VisualStyles, clsVisual and LevelMeter.
#include "shell/app_context.h"
#include "shell/main_window_ui.h"
#include "visuals/capture_window.h"
#include "visuals/level_meter.h"
#include "visuals/visual_math.h"
#include "visuals/visual_styles.h"

#include <QImage>
#include <QObject>
#include <functional>

enum class InputRead { Ready, NotYet, NoInput };

// What the visuals ask of the other subsystems. Unset members mean "no".
struct VisualsHooks {
    // The `count` newest input values, oldest first.
    std::function<InputRead(int16_t *out, size_t count)> readInput;
    std::function<bool()> lyricWindowShown; // the full-screen lyric window is up
    std::function<bool()> videoShown;       // the loaded medium shows a picture
    std::function<bool()> videoFullScreen;  // the media player shows its video full screen
    std::function<void()> pictureLyricMode; // the lyric display command of mode 2
    std::function<bool()> bounceActive;     // the hidden window-bounce mode
};

class VisualsController : public QObject {
    Q_OBJECT
public:
    VisualsController(AppContext &ctx, MainWindowUi &ui, QObject *parent = nullptr);

    VisualsHooks &hooks() { return m_hooks; }

    // One tick of Timer4.
    void tick();
    // mnuSelVisual0 ... 9: 0 random mode, 1 ... 9 that style.
    void selectStyle(int item);
    // mnuShowVisualS, its pop-up twins and XPButton23.
    void toggleVisual();

    // One lyric painter frame of mode 1 into Picture1 (334 x 240); `newTransform` asks for a
    // new transformation map first. `wipe` lights the current line word by word.
    void paintLyricFrame(QString &previous, QString &current, QString &next, int &scrollX, int step,
                         int limit, bool newTransform, const WordWipe &wipe = WordWipe());

    const LevelMeter &meter() const { return m_meter; }
    VisualStyles &styles() { return m_styles; }
    const QImage &lyricFrame() const { return m_lyricFrame; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool readWindow();
    void paintMeter(QWidget *target);
    void bounce(int leftSample, int rightSample);

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    VisualsHooks m_hooks;
    VisualMath::Random m_random;
    VisualStyles m_styles;
    LevelMeter m_meter;
    CaptureWindow m_window;
    QImage m_meterPicture;
    QImage m_lyricFrame;
};
