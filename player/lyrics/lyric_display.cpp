#include "lyrics/lyric_display.h"

#include "lyrics/lyrics_controller.h"
#include "lyrics/word_wipe_label.h"

#include <QDir>
#include <QImageReader>
#include <QRandomGenerator>

LyricDisplay::LyricDisplay(AppContext &ctx, MainWindowUi &ui, LyricsHooks &hooks, LyricSync &sync,
                           std::function<void()> startTicks, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_hooks(hooks), m_sync(sync),
      m_startTicks(std::move(startTicks)),
      m_stripView(ui.Picture7, ui.Image6, ui.Picture6, ui.Picture1, ctx.settings.LyricFontName) {
    connect(m_ui.Timer[10], &QTimer::timeout, this, &LyricDisplay::refreshBackground);
    m_stripWipe = new WordWipeLabel(
        m_stripView.strip(1), [this] { return m_sync.wipe(); },
        [this] { return m_ctx.settings.LyricTextColor; });
}

void LyricDisplay::applyModeWidgets() {
    const int mode = m_ctx.settings.LyricDisplayMode % 100;
    const bool pictures = mode == 2;
    // Without the lyric painter mode 1 shows the box.
    const bool painter = mode == 1 && m_hooks.paintLyricPainter;
    m_ui.Picture1->setVisible(painter);
    m_ui.RichTextBox1->setVisible(!pictures && !painter);
    m_stripView.setVisible(pictures);
    if (!m_ui.RichTextBox2->isHidden()) m_ui.RichTextBox2->raise();
}

void LyricDisplay::setDisplayMode(int mode) {
    if (m_hooks.closeLyricWindow) m_hooks.closeLyricWindow();
    m_ctx.settings.LyricDisplayMode = mode;
    applyModeWidgets();
    if (mode == 2) {
        // Drawn at once, also while stopped: the ticks only move what is already there.
        refreshBackground();
        m_stripView.setTexts(m_sync.PrevLineText, m_sync.CurLineText, m_sync.NextLineText);
    }
    m_startTicks();
}

void LyricDisplay::cycleDisplayMode() {
    if (m_hooks.closeLyricWindow) m_hooks.closeLyricWindow();
    const int next = (m_ctx.settings.LyricDisplayMode % 100 + 1) % 3;
    const QString hint = QStringLiteral("提示：按 H 键全屏显示歌词；按 Esc 键退出全屏。");
    m_ui.Label5->setText(hint);
    m_ui.Label5->setToolTip(hint);
    setDisplayMode(next);
}

void LyricDisplay::fullScreen() {
    // The full-screen window opens from the tick once it is wired in.
    if (!m_hooks.openFullScreen) return;
    if (m_ctx.settings.LyricDisplayMode < 100) m_ctx.settings.LyricDisplayMode += 100;
    m_startTicks();
}

void LyricDisplay::stripsAfterHit() {
    m_sync.applyStripBlanks();
    const int width = m_stripView.sizeCurrentTo(m_sync.CurLineText);
    m_strips.layoutLine(width, m_stripView.areaWidth(), m_sync.CurTagTime, m_sync.NextTagTime);
    m_stripView.setCurrentShade(m_strips.StripShade);
}

void LyricDisplay::paintFrame(bool windowShown) {
    const int mode = m_ctx.settings.LyricDisplayMode;
    if ((mode == 1 || (mode == 101 && windowShown)) && m_hooks.paintLyricPainter) {
        const bool newTransform = m_cycleCounter == 0;
        if (++m_cycleCounter > 100) m_cycleCounter = 0;
        m_hooks.paintLyricPainter(newTransform);
        if (mode == 101 && m_hooks.lyricWindowFrame) m_hooks.lyricWindowFrame();
    }
}

void LyricDisplay::showThanks() {
    m_strips.StripShade = 255;
    if (m_ctx.settings.LyricDisplayMode == 2) {
        m_sync.CurLineText = QStringLiteral("谢谢使用！");
        m_strips.centre(m_stripView.sizeCurrentTo(m_sync.CurLineText), m_stripView.areaWidth());
        m_stripView.setCurrentShade(255);
    } else if (m_ctx.settings.LyricDisplayMode == 102) {
        m_sync.PrevLineText = Dialogs::applicationCaption();
        m_sync.CurLineText = QStringLiteral("谢谢使用！");
        if (m_hooks.lyricWindowThanks) m_hooks.lyricWindowThanks();
    }
}

void LyricDisplay::countBackgroundCycle() {
    if (m_cycleCounter == 0) m_ui.Timer[10]->start();
    if (++m_cycleCounter > 200) m_cycleCounter = 0;
}

void LyricDisplay::moveStrips(double adjusted) {
    countBackgroundCycle();
    if (m_strips.hasLeft()) {
        m_sync.moveCurrentToPrevious();
        m_strips.reenter(m_stripView.sizeCurrentTo(m_sync.CurLineText), m_stripView.areaWidth());
    }
    if (m_sync.NextLineText.trimmed().isEmpty()) m_sync.NextLineText = QStringLiteral("…");
    m_strips.advance();
    m_stripView.moveCurrent(m_strips.StripX);
    m_strips.updateShade(m_sync.CurTagTime, m_sync.NextTagTime, adjusted);
    m_stripView.setCurrentShade(m_strips.StripShade);
    m_stripView.setTexts(m_sync.PrevLineText, m_sync.CurLineText, m_sync.NextLineText);
    m_stripWipe->refresh();
}

void LyricDisplay::refreshBackground() {
    m_ui.Timer[10]->stop();
    QImage picture = chooseBackground();
    if (picture.isNull()) return; // a picture that cannot load keeps the old one
    m_stripView.setBackground(picture);
    if (m_hooks.lyricWindowBackground) m_hooks.lyricWindowBackground(picture);
}

QImage LyricDisplay::chooseBackground() {
    if (m_ctx.settings.CoverAsLyricBackground == 1 && m_hooks.coverPicture) {
        QImage cover = m_hooks.coverPicture();
        if (!cover.isNull()) return cover;
    }
    if (!m_backgroundsRead) {
        m_backgroundsRead = true;
        const QDir folder(m_ctx.paths.file(QStringLiteral("bkground")));
        const QStringList names = folder.entryList(QDir::Files, QDir::Name);
        for (const QString &name : names)
            m_backgrounds << folder.filePath(name);
    }
    if (m_backgrounds.isEmpty()) return QImage();
    const QString chosen =
        m_backgrounds.at(int(QRandomGenerator::global()->bounded(quint32(m_backgrounds.size()))));
    QImageReader reader(chosen);
    return reader.read();
}

void LyricDisplay::rereadBackgrounds() {
    m_backgroundsRead = false;
    m_backgrounds.clear();
    if (m_ctx.settings.LyricDisplayMode % 100 == 2) refreshBackground();
}
