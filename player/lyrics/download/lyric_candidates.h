#pragma once
// The candidate list List2 shows: the text of each item, the candidate the countdown
// preselects and the ones it may download on its own.
#include "lyrics/download/lyric_answer.h"

#include <QString>
#include <vector>

namespace LyricCandidates {

// "【title】- 演唱〖artist〗- 专辑《album》- 双击立即下载 ……………………………" + location.
QString itemText(const LyricCandidate &candidate);
// The item text up to and including "- 双击立即下载" (the list's tooltip shows it).
QString itemSummary(const LyricCandidate &candidate);

// The candidate the countdown selects: the first whose artist S, with the clip's author A and
// the track's path F (all lower-cased, without "-" and blanks), has (A not empty and S contains
// A) or (S not empty and (A or F contains S)); otherwise the first. -1 for an empty list.
int preselect(const std::vector<LyricCandidate> &candidates, const QString &author,
              const QString &trackFile);

// Whether the countdown may download `candidate` for a track titled `trackTitle` of
// `trackDuration` seconds (0: unknown): its title contains the track's (ignoring case, full or
// half width and surrounding blanks), and its duration, when both are known, is within 3 s.
bool fits(const LyricCandidate &candidate, const QString &trackTitle, double trackDuration);
// The candidate the countdown downloads: as preselect, but among those that fit; -1 when none
// does.
int autoPick(const std::vector<LyricCandidate> &candidates, const QString &trackTitle,
             double trackDuration, const QString &author, const QString &trackFile);

} // namespace LyricCandidates
