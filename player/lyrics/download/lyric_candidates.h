#pragma once
// The candidate list List2 shows: the text of each item and the candidate the countdown
// preselects.
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

} // namespace LyricCandidates
