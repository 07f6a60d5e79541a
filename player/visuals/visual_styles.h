#pragma once
// The nine visualization styles of the 288 x 216 visualization box and the choice among
// them: styles 1-3 ("波形", "激光", "火焰") are drawn straight into the box, styles 4-9 by the
// engine (clsVisual) and enlarged onto it. In random mode a new style comes every 101 drawn
// ticks, never the one just shown.
#include "visuals/capture_window.h"
#include "visuals/visual_engine.h"
#include "visuals/visual_math.h"

#include <QImage>
#include <memory>

class VisualStyles {
public:
    static constexpr int kBoxWidth = 288;
    static constexpr int kBoxHeight = 216;

    VisualStyles(VisualMath::Random &random, VisualMath::Clock clock);

    // The current style 1 ... 9 and random mode, as the settings hold them.
    int style() const { return m_style; }
    void setStyle(int style) { m_style = style; }
    bool randomMode() const { return m_randomMode; }
    void setRandomMode(bool on) { m_randomMode = on; }
    // Both counters start again (after a menu choice).
    void resetCounters();

    // One drawn tick: the random change, then the style from the window and the shaped levels.
    // An out-of-range style becomes 1 and draws nothing this tick.
    void draw(const CaptureWindow &window, int leftLevel, int rightLevel);

    const QImage &box() const { return m_box; }
    // Created on the first frame of styles 4-9 (or the first lyric painter frame).
    clsVisual &engine();
    bool hasEngine() const { return bool(m_engine); }
    void setFont(const QFont &font);

private:
    void pickRandomStyle();
    void drawWave(const CaptureWindow &w, int left, int right);
    void drawLaser(const CaptureWindow &w, int left, int right);
    void drawFlame(const CaptureWindow &w);
    void engineFrame(const CaptureWindow &w);

    VisualMath::Random &m_random;
    VisualMath::Clock m_clock;
    QImage m_box;
    std::unique_ptr<clsVisual> m_engine;
    QFont m_font;
    int m_style = 1;
    bool m_randomMode = true;
    int m_switchCounter = 0;
    int m_transformCounter = 0;
};
