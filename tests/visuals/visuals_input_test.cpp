// Timer4 on real input: the level meter and the visualization follow the monitor stream of a
// private PulseAudio null sink while a tone plays into it, and draw silence without a server.
#include "platform/pulse_audio_input.h"
#include "pulse_server.h"
#include "recording/input_monitor.h"
#include "temp_home.h"
#include "test_media.h"
#include "visuals/visuals_controller.h"

#include <QProcess>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The few named widgets the visuals draw on, as the main window has them.
struct VisualsFixture : ::testing::Test {
    TempHome home;
    AppContext ctx{home.paths()};
    QWidget window;
    MainWindowUi ui;
    std::unique_ptr<VisualsController> visuals;

    VisualsFixture() {
        ui.frmMain = &window;
        ui.Picture5 = new QWidget(&window);
        ui.Picture5->setGeometry(0, 0, 288, 216);
        ui.Picture3 = new QWidget(&window);
        ui.Picture3->setGeometry(0, 220, 288, 14);
        ui.Timer[4] = new QTimer(&window);
        ui.Timer[4]->setInterval(50);
        ctx.settings.VisualOn = 1;
        ctx.settings.ShowLevelMeter = 1;
        ctx.settings.VisualRandom = 0;
        ctx.settings.VisualStyle = 1;
        window.resize(300, 240);
        window.show();
        visuals = std::make_unique<VisualsController>(ctx, ui);
    }
    void bindMonitor(InputMonitor &monitor, const QString &source) {
        visuals->hooks().readInput = [&monitor, source](int16_t *out, size_t count) {
            monitor.keepRunning(source);
            switch (monitor.latest(out, count, false)) {
            case InputMonitor::Read::Ready:
                return InputRead::Ready;
            case InputMonitor::Read::NotYet:
                return InputRead::NotYet;
            default:
                return InputRead::NoInput;
            }
        };
    }
};

TEST_F(VisualsFixture, WithoutAServerTheVisualsDrawSilence) {
    InputMonitor monitor(nullptr, nullptr);
    bindMonitor(monitor, QString());
    ui.Timer[4]->start();
    for (int k = 0; k < 3; ++k)
        visuals->tick();
    EXPECT_EQ(visuals->meter().leftCover, -45);
    EXPECT_EQ(visuals->meter().rightCover, 2145);
    const QImage &box = visuals->styles().box();
    EXPECT_EQ(box.pixel(100, 53), qRgb(64, 64, 64)); // the flat traces
    EXPECT_EQ(box.pixel(100, 161), qRgb(64, 64, 64));
    EXPECT_TRUE(ui.Timer[4]->isActive());
}

TEST_F(VisualsFixture, OnlyAShownFullScreenWindowPausesTheVisuals) {
    InputMonitor monitor(nullptr, nullptr);
    bindMonitor(monitor, QString());
    bool windowShown = false;
    visuals->hooks().lyricWindowShown = [&] { return windowShown; };
    // The full-screen mode is wanted but no window opened (no lyrics): the visuals go on.
    ctx.settings.LyricDisplayMode = 100;
    visuals->tick();
    EXPECT_EQ(visuals->styles().box().pixel(100, 53), qRgb(64, 64, 64));
    windowShown = true;
    ctx.settings.VisualStyle = 3;
    visuals->tick();
    EXPECT_EQ(visuals->styles().box().pixel(100, 53), qRgb(64, 64, 64)) << "nothing drawn";
}

TEST_F(VisualsFixture, TheBounceModeSinksTheWindowToItsBaseInSilence) {
    InputMonitor monitor(nullptr, nullptr);
    bindMonitor(monitor, QString());
    bool bounce = false;
    visuals->hooks().bounceActive = [&] { return bounce; };
    window.move(window.x(), 0);
    visuals->tick();
    EXPECT_EQ(window.y(), 0) << "only in the bounce mode";
    bounce = true;
    for (int k = 0; k < 3; ++k)
        visuals->tick();
    EXPECT_EQ(window.y(), 3); // one pixel (15 twips) a tick toward the base
    const int base = window.screen()->geometry().height() - window.height() - 870 / 15;
    window.move(window.x(), base + 40);
    visuals->tick();
    EXPECT_EQ(window.y(), base) << "below the base it jumps there";
}

TEST_F(VisualsFixture, BothSwitchedOffTheTimerStopsOnceTheMarkersRest) {
    InputMonitor monitor(nullptr, nullptr);
    bindMonitor(monitor, QString());
    ui.Timer[4]->start();
    visuals->tick(); // the left marker sits 30 units inside its cover
    ctx.settings.VisualOn = 0;
    ctx.settings.ShowLevelMeter = 0;
    visuals->tick();
    EXPECT_TRUE(ui.Timer[4]->isActive()) << "the markers are still falling back";
    for (int k = 0; k < 4 && ui.Timer[4]->isActive(); ++k)
        visuals->tick();
    EXPECT_FALSE(ui.Timer[4]->isActive());
    EXPECT_TRUE(visuals->meter().markersAtRest());
    EXPECT_TRUE(ui.Picture5->isHidden());
}

TEST_F(VisualsFixture, ATonePlayedIntoTheSinkMovesTheMeter) {
    fxtest::PulseServer server;
    ASSERT_TRUE(server.running()) << server.log();
    PulseAudioInput input;
    ASSERT_TRUE(input.available());
    InputMonitor monitor(&input, nullptr);
    bindMonitor(monitor, QStringLiteral("lvxnull.monitor"));
    ui.Timer[4]->start();
    // Silence first: the sink plays nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.ring().written() > 4096; }, 5000));
    QTest::qWait(200);
    EXPECT_EQ(visuals->meter().leftCover, -45);

    const QString tone = home.file(QStringLiteral("tone.wav"));
    ASSERT_TRUE(TestMedia::writeWav(tone, 6.0));
    QProcess player;
    player.start(QStringLiteral("paplay"), {QStringLiteral("-d"), QStringLiteral("lvxnull"), tone});
    ASSERT_TRUE(player.waitForStarted());
    // Amplitude 0.5 peaks at v = 1080, level 764; the markers hold the peaks.
    const LevelMeter &m = visuals->meter();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return m.leftMarker < 2085 - 600 && m.rightMarker > 2145 + 600; }, 8000))
        << "markers at " << m.leftMarker << ", " << m.rightMarker;
    EXPECT_GE(m.leftMarker, 2085 - 770);
    EXPECT_LE(m.rightMarker, 2145 + 770);
    int onFlatRow = 0;
    for (int x = 0; x < 288; ++x)
        onFlatRow += visuals->styles().box().pixel(x, 53) != qRgb(0, 0, 0);
    EXPECT_LT(onFlatRow, 144) << "the trace follows the tone";
    EXPECT_TRUE(monitor.running());
    player.kill();
    player.waitForFinished();
}

} // namespace
