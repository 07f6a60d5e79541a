// The visualization's commands on the real main window through the window system (xcb on a
// private X server): the switch button, the style menu of the visualization box with its
// check marks and captions, and the first frames drawn from silence.
#include "app/main_window.h"
#include "real_input.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "wait_for.h"
#include "widgets/xp_button.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace {

class VisualsWindowTest : public ::testing::Test {
protected:
    VisualsWindowTest() {
        ctx.dialogs = &dialogs;
        // No sound server: the visuals draw silence.
        qputenv("PULSE_SERVER", "unix:/nonexistent/lyravox-test");
        window = std::make_unique<MainWindow>(ctx);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->finishStartup();
    }
    MainWindowUi &ui() { return window->ui(); }
    QString text(const char *name) { return ui().action(name)->text(); }
    // The one checked item of the twenty style items, "" when none or several.
    QString checkedStyles() {
        QStringList checked;
        for (const char *prefix : {"mnuSelVisual", "PopSelVisual"})
            for (int k = 0; k <= 9; ++k) {
                const QByteArray name = prefix + QByteArray::number(k);
                if (ui().action(name.constData())->isChecked())
                    checked << QString::fromLatin1(name);
            }
        return checked.join(QLatin1Char(' '));
    }
    void chooseFromBoxMenu(const char *item) {
        click(ui().Picture5, {}, Qt::RightButton);
        QMenu *menu = ui().Popmnu[6];
        ASSERT_TRUE(waitFor([menu] { return menu->isVisible(); }, 3000));
        QMenu *styles = ui().menu("PopSelVisualN");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        click(menu, menu->actionGeometry(styles->menuAction()).center());
        ASSERT_TRUE(waitFor([styles] { return styles->isVisible(); }, 3000));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(styles));
        click(styles, styles->actionGeometry(ui().action(item)).center());
        ASSERT_TRUE(waitFor([menu] { return !menu->isVisible(); }, 3000));
    }

    TempHome home;
    ScriptedDialogs dialogs;
    AppContext ctx{home.paths()};
    std::unique_ptr<MainWindow> window;
};

TEST_F(VisualsWindowTest, TheSwitchButtonTurnsTheBoxOnAndOffWithItsCaptions) {
    ctx.settings.VisualOn = 0;
    ctx.settings.LyricDisplayMode = 0;
    struct Step {
        bool on;
        const char *menu, *popup;
    } steps[] = {{true, "关闭可视化效果(&E)", "关闭可视化效果"},
                 {false, "打开可视化效果(&E)", "打开可视化效果"}};
    for (const Step &s : steps) {
        click(ui().XPButton[23]);
        EXPECT_EQ(ctx.settings.VisualOn, s.on ? 1 : 0);
        EXPECT_EQ(ui().Picture5->isVisible(), s.on);
        EXPECT_EQ(text("mnuShowVisualS"), QString::fromUtf8(s.menu));
        EXPECT_EQ(text("PopShowVisualS"), QString::fromUtf8(s.popup));
        EXPECT_EQ(text("PopShowVisualS2"), QString::fromUtf8(s.popup));
    }
    // Switched on in display mode 1, the lyrics move to the picture background first.
    ctx.settings.LyricDisplayMode = 1;
    click(ui().XPButton[23]);
    EXPECT_EQ(ctx.settings.LyricDisplayMode, 2);
    EXPECT_EQ(ctx.settings.VisualOn, 1);
}

TEST_F(VisualsWindowTest, TheBoxMenuChoosesStylesWithOneCheckMarkPerMenu) {
    ctx.settings.LyricDisplayMode = 0;
    if (ctx.settings.VisualOn != 1) click(ui().XPButton[23]);
    ASSERT_TRUE(ui().Picture5->isVisible());
    chooseFromBoxMenu("PopSelVisual9");
    EXPECT_EQ(ctx.settings.VisualStyle, 9);
    EXPECT_EQ(ctx.settings.VisualRandom, 0);
    EXPECT_EQ(checkedStyles(), QStringLiteral("mnuSelVisual9 PopSelVisual9"));
    chooseFromBoxMenu("PopSelVisual0");
    EXPECT_EQ(ctx.settings.VisualRandom, 1);
    EXPECT_EQ(ctx.settings.VisualStyle, 9); // random mode starts from the current style
    EXPECT_EQ(checkedStyles(), QStringLiteral("mnuSelVisual0 PopSelVisual0"));
    chooseFromBoxMenu("PopSelVisual1");
    EXPECT_EQ(checkedStyles(), QStringLiteral("mnuSelVisual1 PopSelVisual1"));

    // Without input the wave style draws its two flat traces.
    auto flat = [this] {
        const QImage shot = ui().Picture5->grab().toImage();
        return shot.pixel(100, 53) == qRgb(64, 64, 64) && shot.pixel(100, 161) == qRgb(64, 64, 64);
    };
    EXPECT_TRUE(waitFor(flat, 3000));
    EXPECT_EQ(ui().Picture5->grab().toImage().pixel(100, 100), qRgb(0, 0, 0));
}

TEST_F(VisualsWindowTest, ASkinWiderThanTheScreenGetsAFrameAndTheWindowStaysShown) {
    const int screenWidth = window->screen()->geometry().width();
    QImage wide(screenWidth + 200, 300, QImage::Format_RGB32);
    wide.fill(QColor(30, 30, 90));
    window->setSkinPicture(wide);
    window->fitWindowToSkin();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->mask().isEmpty());
    EXPECT_EQ(window->width(), screenWidth);
    // Back to a skin that fits: shaped and frameless again, still shown.
    window->setSkinPicture(QImage());
    window->fitWindowToSkin();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window->mask().isEmpty());
}

} // namespace
