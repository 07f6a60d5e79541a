#pragma once
// The rules of the processed copies (key shift, vocal removal) that need no widgets: which
// tracks they take, the names they propose and write, the dialog step's shift mode and the
// equalizer gains of the attenuation compensation.
#include <QString>
#include <array>

namespace ProcessingRules {

// The track's name ends in "mp3" or "wav" in any case.
bool processable(const QString &track);
bool isMp3(const QString &track);
// The file name of `track` without its folder and without the part from its last dot.
QString baseName(const QString &track);
// The name written for a chosen output: every lower-case ".wav" taken out of the file name
// (not of the folders), then ".wav" appended ("a.wav" stays, "a.WAV" becomes "a.WAV.wav").
QString outputName(const QString &chosen);
// The effect control's Shifting mode for a dialog step -5...-1, 1...5: steps 1...5 raise by
// 1.1...1.5 and -1...-5 lower by 1.1...1.5.
int shiftMode(int step);
// The nine equalizer gains (percent) of a compensation level 1...5 (3 for anything above).
std::array<int, 9> compensationGains(int level);

} // namespace ProcessingRules
