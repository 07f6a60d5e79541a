#include "lyrics/download/lyric_candidates.h"

namespace LyricCandidates {

namespace {
QString comparable(const QString &text) {
    QString out = text.toLower();
    out.remove(QLatin1Char('-'));
    out.remove(QLatin1Char(' '));
    return out;
}
} // namespace

QString itemSummary(const LyricCandidate &c) {
    return QStringLiteral("【") + c.title + QStringLiteral("】- 演唱〖") + c.artist +
           QStringLiteral("〗- 专辑《") + c.album + QStringLiteral("》- 双击立即下载");
}

QString itemText(const LyricCandidate &c) {
    return itemSummary(c) + QLatin1Char(' ') + QString(11, QChar(0x2026)) + c.location;
}

int preselect(const std::vector<LyricCandidate> &candidates, const QString &author,
              const QString &trackFile) {
    if (candidates.empty()) return -1;
    const QString a = comparable(author);
    const QString f = comparable(trackFile);
    for (size_t i = 0; i < candidates.size(); ++i) {
        const QString s = comparable(candidates[i].artist);
        if ((!a.isEmpty() && s.contains(a)) || (!s.isEmpty() && (a.contains(s) || f.contains(s))))
            return int(i);
    }
    return 0;
}

} // namespace LyricCandidates
