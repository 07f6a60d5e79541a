// The visual engine per frame: each style's 50 ms tick on a tone, the transformation step
// alone, the lyric painter's frame enlarged to the main window's box, and a full-screen frame
// enlarged here (what the player does where the X server cannot enlarge it). The word wipe of
// enhanced lyrics is measured beside the plain frame and the plain strip it adds to.
#include "visuals/capture_window.h"
#include "visuals/picture_scaler.h"
#include "visuals/visual_engine.h"
#include "visuals/visual_styles.h"

#include "lyrics/lyric_box.h"
#include "lyrics/word_wipe_label.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

CaptureWindow toneWindow() {
    std::vector<int16_t> values(CaptureWindow::kSize);
    for (int k = 0; k < CaptureWindow::kSize; ++k)
        values[size_t(k)] = int16_t(12000 * std::sin(2 * M_PI * 440.0 * (k / 2) / 44100.0));
    CaptureWindow w;
    w.assign(values.data());
    return w;
}

void StyleTick(benchmark::State &state) {
    VisualMath::Random random(1);
    VisualStyles styles(random, VisualMath::systemClock());
    styles.setRandomMode(false);
    styles.setStyle(int(state.range(0)));
    const CaptureWindow w = toneWindow();
    for (auto _ : state)
        styles.draw(w, 500, 500);
}
BENCHMARK(StyleTick)->DenseRange(1, 9)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void Transform(benchmark::State &state) {
    VisualMath::Random random(1);
    clsVisual e(random, VisualMath::systemClock());
    e.BuildTrans(11);
    for (auto _ : state)
        e.Transform();
}
BENCHMARK(Transform)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// The lyric painter's engine with three lines, one scroll step per frame.
struct PainterFrames {
    VisualMath::Random random{1};
    clsVisual engine{random, VisualMath::systemClock()};
    QString prev = QStringLiteral("上一行歌词"), cur = QStringLiteral("当前这一行歌词正在唱"),
            next = QStringLiteral("下一行歌词");
    int x = 40;

    PainterFrames() { engine.BuildTrans(11); }
    void step(const WordWipe &wipe = WordWipe()) {
        engine.CalcLrc(prev, cur, next, x, 1, 200, wipe, QColor(150, 150, 255));
        if (x < -150) x = 40;
    }
};

// The current line's words: one character each, 0.3 s apart; the wipe runs through it.
struct LineWipe {
    LyricLineWords words;
    double position = 0.0;
    explicit LineWipe(const QString &text) {
        for (qsizetype k = 0; k < text.size(); ++k)
            words.push_back({k, 1, 0.3 * double(k), 0.3 * double(k + 1)});
    }
    WordWipe next(const QString &text) {
        position += 0.05;
        if (position > 0.3 * double(text.size())) position = 0.0;
        return WordWipe(text, &words, position);
    }
};

// The painter's frame alone, without and with the word wipe of its current line.
void LyricPainterCalc(benchmark::State &state) {
    PainterFrames frames;
    LineWipe line(frames.cur);
    const bool wipe = state.range(0) == 1;
    for (auto _ : state)
        frames.step(wipe ? line.next(frames.cur) : WordWipe());
    state.SetLabel(wipe ? "word wipe" : "plain");
}
BENCHMARK(LyricPainterCalc)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// The full-screen current strip (42 pt) drawn into its backing picture, without and with the
// word wipe.
void CurrentStripPaint(benchmark::State &state) {
    QLabel strip;
    strip.setFont(LyricBox::font(QStringLiteral("宋体"), 42, true));
    strip.setText(QStringLiteral("当前这一行歌词正在唱 and some words"));
    strip.resize(strip.sizeHint().width() + 2, strip.sizeHint().height());
    LineWipe line(strip.text());
    WordWipe wipe;
    const bool wiping = state.range(0) == 1;
    if (wiping)
        new WordWipeLabel(
            &strip, [&wipe] { return wipe; }, [] { return QColor(150, 150, 255); });
    QImage target(strip.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (wiping) wipe = line.next(strip.text());
        target.fill(Qt::transparent);
        strip.render(&target);
    }
    state.SetLabel(wiping ? "word wipe" : "plain");
}
BENCHMARK(CurrentStripPaint)
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

// The main window's mode 1: the frame enlarged smoothly to its 334 x 240 box.
void LyricPainterFrame(benchmark::State &state) {
    PainterFrames frames;
    QImage target(334, 240, QImage::Format_RGB32);
    for (auto _ : state) {
        frames.step();
        QPainter p(&target);
        frames.engine.PaintPicture(p, target.size());
    }
}
BENCHMARK(LyricPainterFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// The full-screen painter view without the X server's enlargement: the frame enlarged here
// (nearest neighbour) and copied into a 1920 x 1080 picture like a backing store.
void FullScreenFrameHere(benchmark::State &state) {
    PainterFrames frames;
    PictureScaler scaler;
    QImage target(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        frames.step();
        QPainter p(&target);
        p.drawImage(0, 0, scaler.scale(frames.engine.picture(), target.size()));
    }
}
BENCHMARK(FullScreenFrameHere)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("A tick every 50 ms: 20 frames a second; 5 %% of one core is 2500 us per frame "
                "for the whole player, 1 %% is 500 us (what the word wipe may add).\n");
    return 0;
}
