// Fuzz target: any bytes as an answer of either lyric service. The answers must stay inside
// their limits and a lyric file must be one the store may keep.
#include "lyrics/download/lrclib_lyric_provider.h"
#include "lyrics/download/lyric_answer.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}

void checkAnswer(const LyricAnswer &a) {
    check(int(a.candidates.size()) <= LyricAnswers::kMaxCandidates);
    for (const LyricCandidate &c : a.candidates) {
        check(c.title.size() <= LyricAnswers::kMaxFieldChars);
        check(c.artist.size() <= LyricAnswers::kMaxFieldChars);
        check(c.location.size() <= LyricAnswers::kMaxLocationChars && !c.location.isEmpty());
    }
    if (a.kind == LyricAnswer::Kind::LyricFile) {
        check(!a.text.contains(QChar(0)));
        check(LyricAnswers::hasTimeTag(a.text));
    }
    check(a.message.size() <= LyricAnswers::kMaxFieldChars);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkAnswer(LyricAnswers::parseReference(body));
    checkAnswer(LrclibAnswers::parseRecord(200, body));
    checkAnswer(LrclibAnswers::parseSearch(200, body, 180.0));
    return 0;
}
