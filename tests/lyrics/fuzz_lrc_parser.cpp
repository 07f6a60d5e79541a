// Fuzz target: any bytes as a lyric file. The parse, the box colouring ranges and the ticks
// must hold their invariants and never crash.
#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_parser.h"
#include "lyrics/lyric_sync.h"
#include "platform/text_file.h"

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

    LyricSync sync;
    sync.setText(r.displayText);
    int hits = 0;
    for (int i = 0; i < 400; ++i) {
        const double position = i * 0.05;
        if (const auto hit = sync.tick(position)) {
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
