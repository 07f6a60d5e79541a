#include "visuals/visual_styles.h"

#include <QLine>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

using VisualMath::inint;

namespace {
int clampLevel(int v, int low, int high) {
    return std::clamp(v, low, high);
}
} // namespace

VisualStyles::VisualStyles(VisualMath::Random &random, VisualMath::Clock clock)
    : m_random(random), m_clock(std::move(clock)),
      m_box(kBoxWidth, kBoxHeight, QImage::Format_RGB32) {
    m_box.fill(Qt::black);
}

clsVisual &VisualStyles::engine() {
    if (!m_engine) {
        m_engine = std::make_unique<clsVisual>(m_random, m_clock);
        m_engine->setFont(m_font);
    }
    return *m_engine;
}

void VisualStyles::setFont(const QFont &font) {
    m_font = font;
    if (m_engine) m_engine->setFont(font);
}

void VisualStyles::resetCounters() {
    m_switchCounter = 0;
    m_transformCounter = 0;
}

void VisualStyles::pickRandomStyle() {
    // One of the eight others, so the style always changes.
    const int current = std::clamp(m_style, 1, 9);
    int next = m_random.below(8) + 1;
    if (next >= current) ++next;
    m_style = next;
}

void VisualStyles::draw(const CaptureWindow &window, int leftLevel, int rightLevel) {
    if (m_randomMode && ++m_switchCounter > 100) {
        resetCounters();
        pickRandomStyle();
    }
    switch (m_style) {
    case 1:
        drawWave(window, leftLevel, rightLevel);
        break;
    case 2:
        drawLaser(window, leftLevel, rightLevel);
        break;
    case 3:
        drawFlame(window);
        break;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
        engineFrame(window);
        break;
    default:
        m_style = 1;
        break;
    }
}

void VisualStyles::drawWave(const CaptureWindow &w, int left, int right) {
    left = clampLevel(left, 64, 255);
    right = clampLevel(right, 64, 255);
    m_box.fill(Qt::black);
    QPainter painter(&m_box);
    painter.setPen(QColor(right, left, (left + right) / 2));
    std::array<QPoint, 289> leftTrace, rightTrace;
    leftTrace[0] = QPoint(0, inint(53 - w.W(578) / 800.0));
    rightTrace[0] = QPoint(0, inint(161 - w.W(577) / 800.0));
    for (int x = 0; x < 288; ++x) {
        leftTrace[size_t(x + 1)] = QPoint(x + 1, inint(53 - w.W(576 - 2 * x) / 800.0));
        rightTrace[size_t(x + 1)] = QPoint(x + 1, inint(161 - w.W(575 - 2 * x) / 800.0));
    }
    painter.drawPolyline(leftTrace.data(), int(leftTrace.size()));
    painter.drawPolyline(rightTrace.data(), int(rightTrace.size()));
}

void VisualStyles::drawLaser(const CaptureWindow &w, int left, int right) {
    left = clampLevel(left, 64, 232);
    right = clampLevel(right, 64, 232);
    m_box.fill(Qt::black);
    QPainter painter(&m_box);
    painter.setPen(QColor(right, left, (left + right) / 2));
    std::array<QLine, 720> rays;
    for (int k = 0; k < 720; ++k) {
        const double s = w.W(720 - k);
        const double r = VisualMath::nint(s * std::sin(s * 3.14159265358979 / 65536.0));
        rays[size_t(k)] =
            QLine(143, 107, inint(143 + std::cos(k) * r / 180), inint(107 - std::sin(k) * r / 180));
    }
    painter.drawLines(rays.data(), int(rays.size()));
}

void VisualStyles::drawFlame(const CaptureWindow &w) {
    auto height = [](int value) { return std::abs(value) / 32768.0 * 216.0; };
    int hL = std::min(inint(height(w.W(290))), 216);
    int hR = std::min(inint(height(w.W(289))), 216);
    m_box.fill(Qt::black);
    QPainter painter(&m_box);
    painter.setPen(
        QColor(255, std::clamp(inint(m_random.next() * (216 - (hL + hR) / 2)), 0, 255), 0));
    std::array<QLine, 288> flames;
    for (int x = 0; x < 144; ++x) {
        hL = inint(height(w.W(288 - 2 * x)) + hL) / 2;
        if (x < 5) hL = (hL + hR) / 2;
        hL = std::min(hL, 216);
        flames[size_t(2 * x)] = QLine(143 - x, 216, 143 - x, 216 - hL);
        hR = inint(height(w.W(287 - 2 * x)) + hR) / 2;
        if (x < 5) hR = (hL + hR) / 2;
        hR = std::min(hR, 216);
        flames[size_t(2 * x + 1)] = QLine(144 + x, 216, 144 + x, 216 - hR);
    }
    painter.drawLines(flames.data(), int(flames.size()));
}

void VisualStyles::engineFrame(const CaptureWindow &w) {
    clsVisual &e = engine();
    if (m_transformCounter == 0) {
        e.BuildTrans(m_random.below(e.TransCount()));
        e.setDrawStyle(m_style - 4);
    }
    if (++m_transformCounter > 100) m_transformCounter = 0;
    w.fillMono(e.mono().data());
    w.fillRaw(e.raw().data());
    e.Calc();
    QPainter painter(&m_box);
    e.PaintPicture(painter, m_box.size());
}
