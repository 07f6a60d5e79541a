#include "lyrics/download/lyric_candidates.h"

#include <cmath>

namespace LyricCandidates {

namespace {
QString comparable(const QString &text) {
    QString out = text.toLower();
    out.remove(QLatin1Char('-'));
    out.remove(QLatin1Char(' '));
    return out;
}

// Full-width letters and digits as their ASCII twins, case folded, blanks around removed.
QString titleKey(const QString &text) {
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded().trimmed();
}

constexpr double kMaxDurationGap = 3.0;
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

bool fits(const LyricCandidate &candidate, const QString &trackTitle, double trackDuration) {
    const QString title = titleKey(trackTitle);
    if (title.isEmpty() || !titleKey(candidate.title).contains(title)) return false;
    return trackDuration <= 0 || candidate.duration <= 0 ||
           std::fabs(candidate.duration - trackDuration) <= kMaxDurationGap;
}

int autoPick(const std::vector<LyricCandidate> &candidates, const QString &trackTitle,
             double trackDuration, const QString &author, const QString &trackFile) {
    std::vector<LyricCandidate> fitting;
    std::vector<int> index;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (!fits(candidates[i], trackTitle, trackDuration)) continue;
        fitting.push_back(candidates[i]);
        index.push_back(int(i));
    }
    const int best = preselect(fitting, author, trackFile);
    return best < 0 ? -1 : index[size_t(best)];
}

} // namespace LyricCandidates
