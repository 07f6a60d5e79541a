#include "visuals/visuals_controller.h"

#include "visuals/visual_switches.h"
#include "widgets/xp_button.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
constexpr int kTwipsPerPixel = 15;
} // namespace

VisualsController::VisualsController(AppContext &ctx, MainWindowUi &ui, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_styles(m_random, VisualMath::systemClock()),
      m_lyricFrame(334, 240, QImage::Format_RGB32) {
    m_lyricFrame.fill(Qt::black);
    if (m_ui.frmMain) m_styles.setFont(m_ui.frmMain->font());
    connect(m_ui.Timer[4], &QTimer::timeout, this, &VisualsController::tick);
    for (int k = 0; k <= 9; ++k) {
        const QByteArray name = "mnuSelVisual" + QByteArray::number(k);
        if (QAction *a = m_ui.action(name.constData()))
            connect(a, &QAction::triggered, this, [this, k] { selectStyle(k); });
    }
    if (QAction *a = m_ui.action("mnuShowVisualS"))
        connect(a, &QAction::triggered, this, &VisualsController::toggleVisual);
    // XPButton23 reaches mnuShowVisualS through the command surface (only while no video).
    for (QWidget *w : {m_ui.Picture5, m_ui.Picture3, m_ui.Picture1, m_ui.Picture2,
                       static_cast<QWidget *>(m_ui.Image2)})
        if (w) w->installEventFilter(this);
    if (m_ui.Picture5) m_ui.Picture5->setAttribute(Qt::WA_OpaquePaintEvent);
    if (m_ui.Picture1) m_ui.Picture1->setAttribute(Qt::WA_OpaquePaintEvent);
}

bool VisualsController::readWindow() {
    const InputRead read = m_hooks.readInput
                               ? m_hooks.readInput(m_window.data(), CaptureWindow::kSize)
                               : InputRead::NoInput;
    if (read == InputRead::NoInput) m_window.clear(); // no input: silence
    return read != InputRead::NotYet;
}

void VisualsController::tick() {
    Settings &s = m_ctx.settings;
    // The full-screen lyric window draws instead while it is up.
    if (m_hooks.lyricWindowShown && m_hooks.lyricWindowShown()) return;
    if (m_ui.frmMain && m_ui.frmMain->isMinimized()) return;
    if (m_hooks.videoFullScreen && m_hooks.videoFullScreen()) return;
    if (m_ctx.PlayerBusy) return;

    const LevelMeter shownMeter = m_meter;
    m_meter.fallBack();
    const bool meterOn = s.ShowLevelMeter == 1, visualOn = s.VisualOn == 1;
    if (!meterOn && !visualOn && m_meter.markersAtRest()) {
        m_ui.Timer[4]->stop();
        return;
    }
    if (!meterOn) m_meter.park();
    if (!visualOn && m_ui.Picture5) m_ui.Picture5->hide();

    if (readWindow()) {
        const int leftSample = m_window.leftSample(), rightSample = m_window.rightSample();
        const int left = CaptureWindow::level(leftSample);
        const int right = CaptureWindow::level(rightSample);
        if (meterOn) m_meter.show(left, right);
        if (visualOn && !(m_hooks.videoShown && m_hooks.videoShown())) {
            m_styles.setRandomMode(s.VisualRandom != 0);
            m_styles.setStyle(s.VisualStyle);
            m_styles.draw(m_window, left, right);
            s.VisualStyle = m_styles.style();
            // Only the box the styles draw in is repainted.
            if (m_ui.Picture5) m_ui.Picture5->update(QRect(QPoint(0, 0), m_styles.box().size()));
        }
        if (m_hooks.bounceActive && m_hooks.bounceActive()) bounce(leftSample, rightSample);
    }
    if (m_ui.Picture3 && !(m_meter == shownMeter)) m_ui.Picture3->update();
}

void VisualsController::selectStyle(int item) {
    Settings &s = m_ctx.settings;
    if (item == 0) {
        s.VisualRandom = 1;
    } else {
        s.VisualRandom = 0;
        s.VisualStyle = item;
    }
    if (s.VisualStyle < 1 || s.VisualStyle > 9) s.VisualStyle = 1;
    m_styles.resetCounters();
    VisualSwitches::markStyle(s, m_ui);
}

void VisualsController::toggleVisual() {
    Settings &s = m_ctx.settings;
    if (s.VisualOn == 1) {
        s.VisualOn = 0;
    } else {
        // The lyric painter of mode 1 and the visualization share the box's engine.
        if (s.LyricDisplayMode == 1 && m_hooks.pictureLyricMode) m_hooks.pictureLyricMode();
        s.VisualOn = 1;
    }
    VisualSwitches::apply(s, m_ui);
}

void VisualsController::paintLyricFrame(QString &previous, QString &current, QString &next,
                                        int &scrollX, int step, int limit, bool newTransform,
                                        const WordWipe &wipe) {
    // The painter takes the engine over: the visualization box switches off.
    if (m_ctx.settings.VisualOn == 1) toggleVisual();
    clsVisual &engine = m_styles.engine();
    if (newTransform) engine.BuildTrans(m_random.below(engine.TransCount()));
    engine.CalcLrc(previous, current, next, scrollX, step, limit, wipe,
                   m_ctx.settings.LyricTextColor);
    QPainter painter(&m_lyricFrame);
    engine.PaintPicture(painter, m_lyricFrame.size());
    painter.end();
    if (m_ui.Picture1) m_ui.Picture1->update();
}

void VisualsController::bounce(int leftSample, int rightSample) {
    QWidget *w = m_ui.frmMain;
    const QScreen *screen = w ? w->screen() : nullptr;
    if (!screen) return;
    const int screenHeight = screen->geometry().height();
    const int shapeHeight = m_ui.PicShape ? m_ui.PicShape->height() : w->height();
    const int base = screenHeight - shapeHeight - 870 / kTwipsPerPixel;
    int top = w->y();
    top = base > top ? top + 1 : base;
    const double lift = CaptureWindow::bounceLift(leftSample, rightSample);
    const int target = int(base - lift / 32768.0 * (screenHeight - shapeHeight));
    if (target < top) top = (target + top) / 2;
    w->move(w->x(), top);
}

void VisualsController::paintMeter(QWidget *target) {
    const QSize size = target->size();
    if (m_meterPicture.size() != size) {
        // Green at the centre to red at both ends.
        m_meterPicture = QImage(size, QImage::Format_RGB32);
        QPainter p(&m_meterPicture);
        QLinearGradient g(0, 0, size.width(), 0);
        g.setColorAt(0.0, QColor(230, 30, 20));
        g.setColorAt(0.25, QColor(240, 220, 30));
        g.setColorAt(0.5, QColor(40, 200, 60));
        g.setColorAt(0.75, QColor(240, 220, 30));
        g.setColorAt(1.0, QColor(230, 30, 20));
        p.fillRect(m_meterPicture.rect(), g);
    }
    QPainter p(target);
    p.drawImage(0, 0, m_meterPicture);
    auto span = [&](int leftTwips, int widthTwips, const QColor &c) {
        p.fillRect(QRect(leftTwips / kTwipsPerPixel, 0, widthTwips / kTwipsPerPixel, size.height()),
                   c);
    };
    const QColor cover(0xE0, 0xE0, 0xE0), marker(0xFF, 0x80, 0x00);
    span(m_meter.leftCover, LevelMeter::kLeftCoverWidth, cover);
    span(m_meter.rightCover, LevelMeter::kRightCoverWidth, cover);
    span(m_meter.leftMarker, LevelMeter::kMarkerWidth, marker);
    span(m_meter.rightMarker, LevelMeter::kMarkerWidth, marker);
}

bool VisualsController::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        // The visualization box and the picture box have their own context menus.
        auto *mouse = static_cast<QMouseEvent *>(event);
        QMenu *menu = watched == m_ui.Picture5 ? m_ui.Popmnu[6] : m_ui.Popmnu[2];
        if (mouse->button() == Qt::RightButton && menu && watched != m_ui.Picture1 &&
            watched != m_ui.Picture3) {
            menu->popup(mouse->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::Paint) return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (watched == m_ui.Picture3) {
        paintMeter(widget);
        return true;
    }
    if (watched == m_ui.Picture5) {
        QPainter p(widget);
        p.fillRect(widget->rect(), Qt::black);
        p.drawImage(0, 0, m_styles.box());
        return true;
    }
    if (watched == m_ui.Picture1 && m_ctx.settings.LyricDisplayMode == 1) {
        QPainter p(widget);
        p.drawImage(0, 0, m_lyricFrame);
        return true;
    }
    return false;
}
