// Fuzz target: any bytes as a lyric file. The parse, the box colouring ranges, the word times
// of enhanced lines, the ticks and the word wipe must hold their invariants and never crash.
#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_parser.h"
#include "lyrics/lyric_sync.h"
#include "platform/text_file.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text =
        TextFile::decode(QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    const QString normalised = LyricParser::normalise(text);
    check(normalised.startsWith(QLatin1Char('\n')) && normalised.endsWith(QLatin1Char('\n')));
    check(!normalised.contains(QLatin1Char('\r')));

    const LyricParseResult r = LyricParser::parse(normalised);
    check(r.sorted == (r.timeTagCount > 0));
    if (!r.sorted) check(r.displayText == normalised);

    for (const auto &range : LyricParser::lyricTextRanges(r.displayText)) {
        check(range.start >= 0 && range.length > 0);
        check(range.start + range.length <= r.displayText.size());
    }

    // Word times: inside their line's text, in text order, never running backwards.
    qsizetype lastTag = -1;
    for (const auto &[tagStart, words] : r.words.lines()) {
        check(tagStart > lastTag && tagStart < r.displayText.size());
        lastTag = tagStart;
        check(r.displayText.at(tagStart) == QLatin1Char('['));
        const qsizetype close = r.displayText.indexOf(QLatin1Char(']'), tagStart);
        qsizetype end = r.displayText.indexOf(QLatin1Char('\n'), tagStart);
        if (end < 0) end = r.displayText.size();
        check(close > tagStart && close < end);
        const qsizetype textLength = end - close - 1;
        check(!words.empty());
        qsizetype after = 0;
        double time = -INFINITY;
        for (const LyricWord &w : words) {
            check(w.start >= after && w.length > 0 && w.start + w.length <= textLength);
            check(std::isfinite(w.time) && std::isfinite(w.end));
            check(w.time >= time && w.end >= w.time);
            after = w.start + w.length;
            time = w.time;
        }
    }

    LyricSync sync;
    sync.setText(r.displayText);
    sync.setWords(r.words);
    int hits = 0;
    double lit = 0.0;
    for (int i = 0; i < 400; ++i) {
        const double position = i * 0.05;
        const auto hit = sync.tick(position);
        // The wipe of a line only grows until the next line.
        const WordWipe wipe = sync.wipe();
        const double nowLit = wipe.litCharacters();
        check(nowLit >= 0.0 && nowLit <= double(sync.wordLine().size()));
        if (!hit) check(nowLit >= lit);
        lit = nowLit;
        double started = -INFINITY;
        for (const LyricWord &w : sync.takeStartedWords()) {
            check(w.time <= position && w.time >= started);
            started = w.time;
        }
        if (hit) {
            ++hits;
            check(hit->line.textStart + hit->line.textLength <= r.displayText.size());
            check(hit->caret >= 0 && hit->caret <= r.displayText.size());
            check(r.displayText.at(hit->line.tagStart) == QLatin1Char('['));
            check(sync.LyricScrollStep >= 0);
        }
    }
    check(hits <= 400);
    return 0;
}
