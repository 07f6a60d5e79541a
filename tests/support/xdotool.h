#pragma once
// xdotool from a test on the private X server: commands, windows found by name, geometry.
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>

namespace Xdotool {

// Runs xdotool and returns what it printed (empty on failure).
inline QString run(const QStringList &arguments, int timeoutMs = 15000) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    if (!p.waitForFinished(timeoutMs) || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first visible window whose whole name is `name`, looked for `tries` times 100 ms apart.
inline QString findWindow(const QString &name, int tries = 100) {
    for (; tries > 0; --tries) {
        const QString ids = run(
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + QRegularExpression::escape(name) + QLatin1Char('$')});
        if (!ids.isEmpty()) return ids.split(QLatin1Char('\n')).first();
        QTest::qWait(100);
    }
    return QString();
}

inline QRect geometryOf(const QString &window) {
    const QString out =
        run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QRect r;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (key == QLatin1String("X")) r.moveLeft(value);
        if (key == QLatin1String("Y")) r.moveTop(value);
        if (key == QLatin1String("WIDTH")) r.setWidth(value);
        if (key == QLatin1String("HEIGHT")) r.setHeight(value);
    }
    return r;
}

// A left click at the screen point `at`.
inline void clickAt(QPoint at) {
    run({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
         QString::number(at.y())});
    run({QStringLiteral("click"), QStringLiteral("1")});
}

} // namespace Xdotool
