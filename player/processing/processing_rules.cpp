#include "processing/processing_rules.h"

namespace ProcessingRules {

namespace {
QString extension3(const QString &track) {
    return track.right(3).toLower();
}
} // namespace

bool processable(const QString &track) {
    const QString ext = extension3(track);
    return ext == QLatin1String("mp3") || ext == QLatin1String("wav");
}

bool isMp3(const QString &track) {
    return extension3(track) == QLatin1String("mp3");
}

QString baseName(const QString &track) {
    const QString name = track.mid(track.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString outputName(const QString &chosen) {
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    QString name = chosen.mid(slash + 1);
    name.remove(QStringLiteral(".wav"), Qt::CaseSensitive);
    return chosen.left(slash + 1) + name + QStringLiteral(".wav");
}

int shiftMode(int step) {
    if (step > 0) return step - 1;
    // The control's mode -1 lowers by 1.2 and -2 by 1.1: the first two steps swap.
    if (step == -1) return -2;
    if (step == -2) return -1;
    return step;
}

std::array<int, 9> compensationGains(int level) {
    switch (level) {
    case 1:
        return {30, 20, 10, 0, 0, 0, 0, 0, 0};
    case 2:
        return {40, 30, 20, 10, 0, 0, 0, 0, 0};
    case 4:
        return {80, 70, 60, 50, 30, 20, 10, 0, 0};
    case 5:
        return {100, 90, 80, 70, 50, 30, 20, 10, 0};
    default:
        return {60, 50, 40, 30, 20, 10, 0, 0, 0};
    }
}

} // namespace ProcessingRules
