#include "lyrics/lyric_screen_choice.h"

#include <QGuiApplication>
#include <QScreen>

QString LyricScreenChoice::keyOf(const Screen &screen) {
    const QRect &g = screen.geometry;
    return QStringLiteral("%1 %2x%3+%4+%5")
        .arg(screen.name)
        .arg(g.width())
        .arg(g.height())
        .arg(g.x())
        .arg(g.y());
}

QString LyricScreenChoice::labelOf(const Screen &screen) {
    const QString name = screen.name.isEmpty() ? QStringLiteral("显示器") : screen.name;
    return QStringLiteral("%1 (%2×%3)")
        .arg(name)
        .arg(screen.geometry.width())
        .arg(screen.geometry.height());
}

LyricScreenChoice::Screen LyricScreenChoice::describe(const QScreen *screen) {
    return {screen->name(), screen->geometry()};
}

int LyricScreenChoice::find(const QString &stored, const QList<Screen> &screens) {
    if (stored.isEmpty()) return -1;
    for (int k = 0; k < screens.size(); ++k)
        if (keyOf(screens[k]) == stored) return k;
    // The name is what the key holds before the first blank of the geometry part.
    const qsizetype blank = stored.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) return -1;
    const QString name = stored.left(blank);
    int found = -1;
    for (int k = 0; k < screens.size(); ++k) {
        if (screens[k].name != name) continue;
        if (found >= 0) return -1; // two screens of that name: neither is surely the one
        found = k;
    }
    return found;
}

QScreen *LyricScreenChoice::resolve(const QString &stored, QScreen *mainWindowScreen) {
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (stored.isEmpty())
        return mainWindowScreen ? mainWindowScreen : QGuiApplication::primaryScreen();
    QList<Screen> described;
    for (const QScreen *s : screens)
        described.append(describe(s));
    const int k = find(stored, described);
    return k >= 0 ? screens[k] : QGuiApplication::primaryScreen();
}
