#include "lyrics/lyric_ticker.h"

#include "lyrics/lyric_numbers.h"
#include "lyrics/lyrics_controller.h"
#include "playback/media_player.h"

namespace {
constexpr int kAfterHitMs = 110;
} // namespace

LyricTicker::LyricTicker(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player, LyricsHooks &hooks,
                         LyricBox &box, LyricSync &sync, LyricDisplay &display)
    : m_ctx(ctx), m_ui(ui), m_player(player), m_hooks(hooks), m_box(box), m_sync(sync),
      m_display(display) {}

void LyricTicker::tick(int32_t offsetMs) {
    const bool windowUp = m_hooks.lyricWindowShown && m_hooks.lyricWindowShown();
    if (m_returnToLyricWindow) {
        m_returnToLyricWindow = false;
        if (windowUp && m_ui.frmMain) m_ui.frmMain->hide();
    }
    if (m_ui.frmMain && m_ui.frmMain->isMinimized() && m_ctx.settings.LyricDisplayMode < 100)
        return;
    if (m_player.hasVideo() && m_player.displaySize() == MediaPlayer::kFullScreen) return;
    m_ui.Timer[1]->setInterval(kTickMs);

    const double position = m_player.currentPosition();
    const double adjusted = position + offsetMs / 1000.0;
    m_ui.Label1->setText(LyricNumbers::format(adjusted).left(7));
    m_ui.Label2->setText(QString::number(offsetMs));
    m_display.applyModeWidgets();
    const bool windowShown = windowUp;
    // Opened once: while it is up the cycle counter keeps counting.
    if (m_ctx.settings.LyricDisplayMode >= 100 && m_hooks.openFullScreen && !windowShown) {
        m_display.windowOpening();
        m_hooks.openFullScreen();
    }
    const bool pictures = m_ctx.settings.LyricDisplayMode == 2;
    QTextEdit *windowBox = m_hooks.lyricWindowBox ? m_hooks.lyricWindowBox() : nullptr;

    m_echo.setLines(m_ctx.echoLyrics);
    m_echo.setWords(m_ctx.echoWords);
    const auto hit = m_sync.tick(adjusted);
    if (hit) {
        // The same highlight in the full-screen window's box.
        // A line with word times lights only as far as its words have come.
        const WordWipe wipe = m_sync.wipe();
        m_boxLit = wipe.active() ? wipe.litLength() : m_sync.highlightLength;
        auto mark = [&](LyricBox box) {
            box.scrollOneLine();
            if (hit->oldStart >= 0)
                box.colourRange(hit->oldStart, hit->oldLength, m_ctx.settings.LyricTextColor);
            box.colourRange(m_sync.highlightStart, m_boxLit, m_ctx.settings.LyricHighlightColor);
            box.setCaret(hit->caret);
        };
        mark(m_box);
        if (windowBox) mark(LyricBox(windowBox));
        m_litWindowBox = windowBox;
        if (pictures) m_display.stripsAfterHit();
        m_echo.line(position, hit->line.tagTime, hit->line.text);
        // The next tick falls into a later tenth of a second.
        m_ui.Timer[1]->setInterval(kAfterHitMs);
    } else {
        wipeBoxes(windowBox);
    }
    for (const LyricWord &word : m_sync.takeStartedWords())
        m_echo.word(position, word, m_sync.wordLine());

    if (m_sync.trackEnding(m_player.duration(), position)) {
        showThanks();
        if (windowBox) LyricBox(windowBox).caretToEnd();
    }
    m_sync.clampScrollLimit();

    m_display.paintFrame(windowShown);
    if (pictures) m_display.moveStrips(adjusted);
    if (m_ctx.settings.LyricDisplayMode == 102 && windowShown && m_hooks.lyricWindowStrips) {
        m_display.countBackgroundCycle();
        m_hooks.lyricWindowStrips(hit.has_value(), adjusted);
    }
}

void LyricTicker::wipeBoxes(QTextEdit *windowBox) {
    const WordWipe wipe = m_sync.wipe();
    if (!wipe.active() || m_sync.highlightStart < 0) return;
    const qsizetype lit = wipe.litLength();
    // A full-screen box that opened in the middle of the line catches up at once.
    const bool newWindowBox = windowBox && windowBox != m_litWindowBox;
    if (lit == m_boxLit && !newWindowBox) return;
    m_boxLit = lit;
    m_litWindowBox = windowBox;
    const QColor &colour = m_ctx.settings.LyricHighlightColor;
    m_box.colourRange(m_sync.highlightStart, lit, colour);
    if (windowBox) LyricBox(windowBox).colourRange(m_sync.highlightStart, lit, colour);
}

void LyricTicker::showThanks() {
    m_box.caretToEnd();
    m_sync.showThanks();
    m_display.showThanks();
}
