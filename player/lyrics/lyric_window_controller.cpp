#include "lyrics/lyric_window_controller.h"

#include "lyrics/lyric_screen_choice.h"
#include "lyrics/lyrics_controller.h"
#include "shell/player_preferences.h"

#include <QActionGroup>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QRandomGenerator>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>

namespace {
constexpr int kTwips = 15; // the strip rules count in twips
} // namespace

LyricWindowController::LyricWindowController(AppContext &ctx, MainWindowUi &ui,
                                             LyricsController &lyrics, FrmLrcHost host,
                                             QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_lyrics(lyrics), m_host(std::move(host)) {
    LyricsController *l = &lyrics;
    if (!m_host.lyricText) m_host.lyricText = [this] { return m_ui.RichTextBox1->toPlainText(); };
    if (!m_host.offsetMs) m_host.offsetMs = [l] { return l->LyricOffsetMs(); };
    if (!m_host.stepOffset)
        m_host.stepOffset = [l](bool up) { up ? l->offsetUp() : l->offsetDown(); };
    if (!m_host.background) m_host.background = [this] { return chooseBackground(); };
    if (!m_host.screen) m_host.screen = [this] { return targetScreen(); };
    if (!m_host.startupBackground)
        m_host.startupBackground = [this] {
            if (m_ctx.settings.CoverAsLyricBackground == 1 && m_lyrics.hooks().coverPicture) {
                const QImage cover = m_lyrics.hooks().coverPicture();
                if (!cover.isNull()) return cover;
            }
            return m_ui.Image6 ? m_ui.Image6->pixmap().toImage() : QImage();
        };
    if (QMenu *menu = m_ui.menu("mnuLrcScreen"))
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillScreenMenu(menu); });
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &LyricWindowController::screensChanged);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &LyricWindowController::screensChanged);
    if (!m_host.wordWipe) m_host.wordWipe = [l] { return l->sync().wipe(); };
    LyricsHooks &h = lyrics.hooks();
    h.openFullScreen = [this] { open(); };
    h.lyricWindowShown = [this] { return shown(); };
    h.closeLyricWindow = [this] { close(); };
    // Lyrics loaded while the window is up fill its box too.
    h.lyricsShown = [this] {
        if (shown()) m_window->fillText();
    };
    h.lyricWindowBox = [this]() -> QTextEdit * {
        return shown() && m_ctx.settings.LyricDisplayMode >= 100 ? m_window->RichTextBox1 : nullptr;
    };
    h.lyricWindowFrame = [this] {
        if (shown()) m_window->Picture1->update();
    };
    h.lyricWindowStrips = [this](bool hit, double adjusted) { moveStrips(hit, adjusted); };
    h.lyricWindowThanks = [this] { centreThanks(); };
    h.lyricWindowBackground = [this](const QImage &picture) {
        if (shown()) m_window->showBackground(picture);
    };
}

LyricWindowController::~LyricWindowController() {
    delete m_window;
}

QImage LyricWindowController::chooseBackground() const {
    if (m_ctx.settings.CoverAsLyricBackground == 1 && m_lyrics.hooks().coverPicture) {
        const QImage cover = m_lyrics.hooks().coverPicture();
        if (!cover.isNull()) return cover;
    }
    // The folder is listed again at every choice: pictures added meanwhile count.
    const QDir folder(m_ctx.paths.file(QStringLiteral("bkground")));
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty()) return QImage();
    const QString chosen =
        folder.filePath(names.at(int(QRandomGenerator::global()->bounded(quint32(names.size())))));
    QImageReader reader(chosen);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

QScreen *LyricWindowController::targetScreen() const {
    QScreen *mainScreen = m_ui.frmMain ? m_ui.frmMain->screen() : nullptr;
    return LyricScreenChoice::resolve(PlayerPreferences().lyricScreen(), mainScreen);
}

void LyricWindowController::chooseScreen(const QString &key) {
    PlayerPreferences().setLyricScreen(key);
    if (m_window) m_window->moveToScreen();
}

void LyricWindowController::fillScreenMenu(QMenu *menu) {
    menu->clear();
    // The group of the last opening goes with its items.
    qDeleteAll(menu->findChildren<QActionGroup *>(Qt::FindDirectChildrenOnly));
    auto *group = new QActionGroup(menu);
    const QScreen *current = targetScreen();
    for (QScreen *screen : QGuiApplication::screens()) {
        const LyricScreenChoice::Screen described = LyricScreenChoice::describe(screen);
        QAction *item = menu->addAction(LyricScreenChoice::labelOf(described));
        item->setCheckable(true);
        item->setChecked(screen == current);
        group->addAction(item);
        const QString key = LyricScreenChoice::keyOf(described);
        connect(item, &QAction::triggered, this, [this, key] { chooseScreen(key); });
    }
}

void LyricWindowController::screensChanged() {
    // Queued: while a screen is being removed its windows are still moving off it.
    QTimer::singleShot(0, this, [this] {
        if (m_window && m_window->screen() != targetScreen()) m_window->moveToScreen();
    });
}

void LyricWindowController::open() {
    if (m_window) return; // created and filling, or shown
    m_window = new FrmLrc(m_ctx, m_host);
    connect(m_window, &FrmLrc::closed, this, &LyricWindowController::onClosed);
    connect(m_window->Timer1, &QTimer::timeout, this, [this] {
        if (m_ui.frmMain) m_ui.frmMain->hide();
    });
    m_window->open();
}

void LyricWindowController::moveStrips(bool hit, double adjustedSeconds) {
    if (!shown()) return;
    FrmLrc &w = *m_window;
    LyricSync &s = m_lyrics.lineState();
    const int area = w.width() * kTwips;
    // The blank rules of the strips; an empty previous line shows the title.
    auto blanks = [&] {
        QString prev = s.PrevLineText;
        prev.remove(QStringLiteral("…"));
        if (prev.trimmed().isEmpty() && m_ui.Label4) s.PrevLineText = m_ui.Label4->text();
        if (s.CurLineText.trimmed().isEmpty()) s.CurLineText = QStringLiteral("…");
        if (s.NextLineText.trimmed().isEmpty()) s.NextLineText = QStringLiteral("…");
    };
    if (hit) {
        blanks();
        m_strips.layoutLine(w.sizeCurrentTo(s.CurLineText) * kTwips, area, s.CurTagTime,
                            s.NextTagTime, 30);
    }
    if (m_strips.hasLeft()) {
        s.PrevLineText = s.CurLineText;
        s.CurLineText.clear();
        blanks();
        m_strips.reenter(w.sizeCurrentTo(s.CurLineText) * kTwips, area);
    }
    if (s.NextLineText.trimmed().isEmpty()) s.NextLineText = QStringLiteral("…");
    m_strips.advance();
    w.moveCurrent(m_strips.StripX / kTwips);
    m_strips.updateShade(s.CurTagTime, s.NextTagTime, adjustedSeconds);
    w.setCurrentShade(m_strips.StripShade);
    w.setStripTexts(s.PrevLineText, s.CurLineText, s.NextLineText);
}

void LyricWindowController::centreThanks() {
    if (!shown()) return;
    FrmLrc &w = *m_window;
    m_strips.centre(w.sizeCurrentTo(m_lyrics.lineState().CurLineText) * kTwips, w.width() * kTwips);
    w.moveCurrent(m_strips.StripX / kTwips);
    w.setCurrentShade(m_strips.StripShade);
}

void LyricWindowController::close() {
    if (m_window) m_window->closeWindow();
}

void LyricWindowController::onClosed() {
    const QImage background = m_window ? m_window->backgroundPicture() : QImage();
    if (m_ui.frmMain) m_ui.frmMain->show();
    if (m_ui.Image6 && !background.isNull()) m_ui.Image6->setPixmap(QPixmap::fromImage(background));
    // Closing unloads the window; the next use builds it anew.
    if (m_window) m_window->deleteLater();
    m_window = nullptr;
}
