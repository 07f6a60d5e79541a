// Parsing a long LRC file and one lyric tick on it. The literal replace-all procedure and a
// text search per tick are measured beside them for comparison.
#include "lyrics/lyric_box.h"
#include "lyrics/lyric_numbers.h"
#include "lyrics/lyric_parser.h"
#include "lyrics/lyric_sync.h"
#include "reference_parser.h"

#include <QApplication>
#include <QString>
#include <QTextEdit>
#include <benchmark/benchmark.h>

namespace {

// A song file of `lines` timed lines: headers, a chorus with three tags per line, CJK text.
QString makeLrc(int lines) {
    QString text =
        QStringLiteral("[ti:Long Song]\r\n[ar:Singer]\r\n[al:Album]\r\n[offset:250]\r\n");
    for (int i = 0; i < lines; ++i) {
        const int tenths = i * 23;
        const int m = tenths / 600, s = tenths % 600;
        QString tag = QString::asprintf("[%02d:%02d.%d0]", m, s / 10, s % 10);
        if (i % 10 == 0 && i + 2 < lines) {
            // A chorus line sung three times: three tags, one text.
            const int later = tenths + 7;
            tag +=
                QString::asprintf("[%02d:%02d.%d5]", later / 600, (later % 600) / 10, later % 10);
        }
        text += tag + QStringLiteral("第%1行 the words of line [%1] 一闪一闪亮晶晶\r\n").arg(i);
    }
    return text;
}

// An enhanced LRC file of `lines` lines of eight words, every line sung over 2.3 s: half the
// lines with "<m:s>" word tags, half with time tags after the first word.
QString makeEnhancedLrc(int lines) {
    auto stamp = [](int centis, bool angle) {
        const int m = centis / 6000, s = centis % 6000;
        return QString::asprintf(angle ? "<%02d:%02d.%02d>" : "[%02d:%02d.%02d]", m, s / 100,
                                 s % 100);
    };
    QString text = QStringLiteral("[ti:Word Song]\r\n[ar:Singer]\r\n");
    for (int i = 0; i < lines; ++i) {
        const int start = i * 230;
        const bool angle = i % 2 == 0;
        text += stamp(start, false);
        for (int w = 0; w < 8; ++w) {
            if (angle || w > 0) text += stamp(start + w * 25, angle);
            text += QStringLiteral("词%1 ").arg(w);
        }
        text += stamp(start + 210, angle) + QStringLiteral("\r\n");
    }
    return text;
}

void BM_ParseEnhancedLrc(benchmark::State &state) {
    const QString file = makeEnhancedLrc(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        LyricParseResult r = LyricParser::load(file);
        benchmark::DoNotOptimize(r);
    }
    state.SetLabel(QStringLiteral("%1 lines x 8 words").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_ParseEnhancedLrc)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ParseLrc(benchmark::State &state) {
    const QString file = makeLrc(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        LyricParseResult r = LyricParser::load(file);
        benchmark::DoNotOptimize(r);
    }
    state.SetLabel(QStringLiteral("%1 lines").arg(state.range(0)).toStdString());
}
BENCHMARK(BM_ParseLrc)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_Normalise(benchmark::State &state) {
    const QString file = makeLrc(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QString r = LyricParser::normalise(file);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Normalise)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ParseLrcReplaceAll(benchmark::State &state) {
    const QString normalised = LyricParser::normalise(makeLrc(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        ReferenceParse r = referenceParse(normalised);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ParseLrcReplaceAll)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One tick every 50 ms of the song, as the timer runs it.
void BM_Tick(benchmark::State &state) {
    const LyricParseResult r = LyricParser::load(makeLrc(static_cast<int>(state.range(0))));
    LyricSync sync;
    sync.setText(r.displayText);
    const double songSeconds = state.range(0) * 2.3;
    double position = 0;
    for (auto _ : state) {
        auto hit = sync.tick(position);
        benchmark::DoNotOptimize(hit);
        position += 0.05;
        if (position > songSeconds) {
            position = 0;
            sync.resetTicks();
        }
    }
}
BENCHMARK(BM_Tick)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The tick on an enhanced file: the line search, the words started since the last tick and
// how much of the line is lit.
void BM_TickWords(benchmark::State &state) {
    const LyricParseResult r = LyricParser::load(makeEnhancedLrc(static_cast<int>(state.range(0))));
    LyricSync sync;
    sync.setText(r.displayText);
    sync.setWords(r.words);
    const double songSeconds = state.range(0) * 2.3;
    double position = 0;
    for (auto _ : state) {
        auto hit = sync.tick(position);
        benchmark::DoNotOptimize(hit);
        auto started = sync.takeStartedWords();
        benchmark::DoNotOptimize(started);
        benchmark::DoNotOptimize(sync.wipe().litLength());
        position += 0.05;
        if (position > songSeconds) {
            position = 0;
            sync.resetTicks();
        }
    }
}
BENCHMARK(BM_TickWords)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The tick's search as a plain text search of the whole box text.
void BM_TickTextSearch(benchmark::State &state) {
    const LyricParseResult r = LyricParser::load(makeLrc(static_cast<int>(state.range(0))));
    const double songSeconds = state.range(0) * 2.3;
    double position = 0;
    for (auto _ : state) {
        const qsizetype found =
            r.displayText.indexOf(QLatin1Char('[') + LyricNumbers::positionKey(position));
        benchmark::DoNotOptimize(found);
        position += 0.05;
        if (position > songSeconds) position = 0;
    }
}
BENCHMARK(BM_TickTextSearch)->Arg(5000)->Unit(benchmark::kMicrosecond);

// Loading the display text into the lyric box with its colours (once per track).
void BM_BoxLoadAndFormat(benchmark::State &state) {
    const LyricParseResult r = LyricParser::load(makeLrc(static_cast<int>(state.range(0))));
    QTextEdit edit;
    LyricBox box(&edit);
    const Settings settings;
    for (auto _ : state) {
        box.setText(r.displayText);
        box.format(settings);
    }
}
BENCHMARK(BM_BoxLoadAndFormat)->Arg(5000)->Unit(benchmark::kMillisecond);

// A whole tick on the box: the line search and, on a hit, the recolouring, caret and scroll.
void BM_BoxTick(benchmark::State &state) {
    const LyricParseResult r = LyricParser::load(makeLrc(static_cast<int>(state.range(0))));
    QTextEdit edit;
    edit.resize(312, 240);
    LyricBox box(&edit);
    const Settings settings;
    box.setText(r.displayText);
    box.format(settings);
    LyricSync sync;
    sync.setText(edit.toPlainText());
    const double songSeconds = state.range(0) * 2.3;
    double position = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        if (const auto hit = sync.tick(position)) {
            ++hits;
            box.scrollOneLine();
            if (hit->oldStart >= 0)
                box.colourRange(hit->oldStart, hit->oldLength, settings.LyricTextColor);
            box.colourRange(sync.highlightStart, sync.highlightLength,
                            settings.LyricHighlightColor);
            box.setCaret(hit->caret);
        }
        position += 0.05;
        if (position > songSeconds) {
            position = 0;
            sync.resetTicks();
        }
    }
    state.counters["hits"] = benchmark::Counter(double(hits));
}
BENCHMARK(BM_BoxTick)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The same on an enhanced file: a hit lights the words so far, and every tick in between
// lights the characters the words have reached.
void BM_BoxTickWords(benchmark::State &state) {
    const LyricParseResult r = LyricParser::load(makeEnhancedLrc(static_cast<int>(state.range(0))));
    QTextEdit edit;
    edit.resize(312, 240);
    LyricBox box(&edit);
    const Settings settings;
    box.setText(r.displayText);
    box.format(settings);
    LyricSync sync;
    sync.setText(edit.toPlainText());
    sync.setWords(r.words);
    const double songSeconds = state.range(0) * 2.3;
    double position = 0;
    qsizetype lit = 0;
    for (auto _ : state) {
        if (const auto hit = sync.tick(position)) {
            box.scrollOneLine();
            if (hit->oldStart >= 0)
                box.colourRange(hit->oldStart, hit->oldLength, settings.LyricTextColor);
            lit = sync.wipe().litLength();
            box.colourRange(sync.highlightStart, lit, settings.LyricHighlightColor);
            box.setCaret(hit->caret);
        } else if (const WordWipe wipe = sync.wipe(); wipe.active() && wipe.litLength() != lit) {
            lit = wipe.litLength();
            box.colourRange(sync.highlightStart, lit, settings.LyricHighlightColor);
        }
        position += 0.05;
        if (position > songSeconds) {
            position = 0;
            sync.resetTicks();
        }
    }
}
BENCHMARK(BM_BoxTickWords)->Arg(5000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
