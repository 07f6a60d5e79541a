#pragma once
// Display mode 2: three text strips (previous, current, next line) over a background picture.
// Sizes passed in and out are twips (15 per pixel), as the strip arithmetic uses them.
#include <QImage>
#include <QString>
#include <array>

class QLabel;
class QWidget;

class LyricStripView {
public:
    static constexpr int kTwipsPerPixel = 15;

    // `frame` is Picture7 holding `picture` (Image6) and the strips; `area` is Picture1, the
    // lyric area whose width the current line crosses.
    LyricStripView(QWidget *frame, QLabel *picture, const std::array<QLabel *, 3> &strips,
                   QWidget *area, const QString &fontFamily);

    void setVisible(bool visible);
    // Width of the lyric area.
    int areaWidth() const;
    // Makes the current strip exactly as wide as `text`; returns that width.
    int sizeCurrentTo(const QString &text);
    void moveCurrent(int x);
    // Grey level 0-255 of the current line's text.
    void setCurrentShade(int shade);
    void setTexts(const QString &previous, const QString &current, const QString &next);
    void setBackground(const QImage &picture);
    bool hasBackground() const { return m_hasBackground; }
    QLabel *strip(int index) const { return m_strips[size_t(index)]; }

private:
    QWidget *m_frame;
    QLabel *m_picture;
    std::array<QLabel *, 3> m_strips;
    QWidget *m_area;
    bool m_hasBackground = false;
};
