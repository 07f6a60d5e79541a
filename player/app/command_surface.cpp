#include "app/command_surface.h"

#include "playback/media_player.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"
#include "visuals/visual_switches.h"
#include "widgets/xp_button.h"

#include <QMouseEvent>

namespace {

void enable(const MainWindowUi &ui, const char *name, bool on) {
    if (QAction *a = ui.action(name)) a->setEnabled(on);
}

void setChecked(const MainWindowUi &ui, const char *name, bool on) {
    if (QAction *a = ui.action(name)) {
        a->setCheckable(true);
        a->setChecked(on);
    }
}

} // namespace

CommandSurface::CommandSurface(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                               QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_player(player) {
    if (QMenu *view = m_ui.menu("mnuView"))
        connect(view, &QMenu::aboutToShow, this, &CommandSurface::updateViewMenu);
    if (QMenu *level = m_ui.Popmnu[3])
        connect(level, &QMenu::aboutToShow, this, &CommandSurface::updateLevelMenu);
    if (QMenu *visual = m_ui.Popmnu[6])
        connect(visual, &QMenu::aboutToShow, this, &CommandSurface::updateVisualMenu);

    // The visualization switch, only while no video is open.
    connect(m_ui.XPButton[23], &XPButton::clicked, this, [this] {
        if (m_player.hasVideo()) return;
        if (QAction *a = m_ui.action("mnuShowVisualS")) a->trigger();
    });

    // The offset buttons hand the keys back to the window, unless the lyric editor is open.
    for (int k : {3, 4})
        connect(m_ui.XPButton[size_t(k)], &XPButton::clicked, this, [this] {
            if (!m_ui.RichTextBox2->isVisible()) m_ui.PicShape->setFocus();
        });

    QList<QWidget *> areas{m_ui.Image2, m_ui.Picture2, m_ui.Picture5,
                           m_ui.Image6, m_ui.Picture1, m_ui.Picture7};
    for (QLabel *strip : m_ui.Picture6)
        areas << strip;
    for (QWidget *w : areas)
        if (w) w->installEventFilter(this);
}

void CommandSurface::updateViewMenu() {
    const bool video = m_player.hasVideo();
    enable(m_ui, "mnuFull", video);
    enable(m_ui, "mnuShowPic", !video);
    enable(m_ui, "mnuOpenPic", !video);
    updateVisualMenu();
    const int mode = m_ctx.settings.LyricDisplayMode;
    const char *modes[4] = {"mnuLrcVS0", "mnuLrcVS1", "mnuLrcVS2", "mnuLrcVSH"};
    const int checked = mode >= 0 && mode <= 2 ? mode : 3;
    for (int k = 0; k < 4; ++k)
        setChecked(m_ui, modes[k], k == checked);
    if (QAction *a = m_ui.action("mnuShowVolumeB"))
        a->setText(m_ctx.settings.ShowLevelMeter != 0 ? QStringLiteral("关闭录音音量显示(&M)")
                                                      : QStringLiteral("打开录音音量显示(&M)"));
}

void CommandSurface::updateLevelMenu() {
    if (QAction *a = m_ui.action("PopShowVolumeB"))
        a->setText(m_ctx.settings.ShowLevelMeter != 0 ? QStringLiteral("关闭录音音量显示")
                                                      : QStringLiteral("打开录音音量显示"));
}

void CommandSurface::updateVisualMenu() {
    const bool on = m_ctx.settings.VisualOn == 1;
    for (const char *name : {"mnuSelVisualN", "PopSelVisualN"})
        if (QMenu *styles = m_ui.menu(name)) styles->menuAction()->setEnabled(on);
    VisualSwitches::markStyle(m_ctx.settings, m_ui);
}

bool CommandSurface::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    // The area takes the right press, so that the release comes back to it.
    if (type == QEvent::MouseButtonPress) return mouse->button() == Qt::RightButton;
    auto *area = static_cast<QWidget *>(watched);
    if (mouse->button() != Qt::RightButton || !area->rect().contains(mouse->position().toPoint()))
        return false;
    QMenu *menu = nullptr;
    if (watched == m_ui.Image2 || watched == m_ui.Picture2)
        menu = m_ui.Popmnu[2];
    else if (watched == m_ui.Picture5)
        menu = m_ui.Popmnu[6];
    else
        menu = m_ui.Popmnu[1]; // the lyric areas; its items are enabled as it opens
    if (!menu) return false;
    menu->popup(mouse->globalPosition().toPoint());
    return true;
}
