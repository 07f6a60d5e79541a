#pragma once
// Which screen the full-screen lyric window opens on. The choice is kept as a key that names
// the screen and its geometry ("HDMI-1 1920x1080+1280+0"), so a TV that comes back with the
// same name finds its place again even when it was plugged into another position.
#include <QList>
#include <QRect>
#include <QString>

class QScreen;

class LyricScreenChoice {
public:
    struct Screen {
        QString name;
        QRect geometry;
    };

    static QString keyOf(const Screen &screen);
    // The menu caption: "HDMI-1 (1920×1080)".
    static QString labelOf(const Screen &screen);
    static Screen describe(const QScreen *screen);

    // The index in `screens` that `stored` names: the same key, otherwise the only screen of
    // that name (its size or place changed). -1 when the choice is empty or gone.
    static int find(const QString &stored, const QList<Screen> &screens);

    // The screen to open on: the stored choice; with no choice, the screen the main window is
    // on; with a choice that is gone, the primary screen.
    static QScreen *resolve(const QString &stored, QScreen *mainWindowScreen);
};
