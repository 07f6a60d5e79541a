#include "lyrics/lyric_offset.h"

#include "lyrics/lyric_numbers.h"

int32_t LyricOffset::stepUp(int32_t offsetMs) {
    return offsetMs < kLimitMs ? offsetMs + kStepMs : offsetMs;
}

int32_t LyricOffset::stepDown(int32_t offsetMs) {
    return offsetMs >= -(kLimitMs - 1) ? offsetMs - kStepMs : offsetMs;
}

QString LyricOffset::editorText(const QString &fileText) {
    QString text = fileText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString LyricOffset::fileText(const QString &editorText) {
    QString text = LyricOffset::editorText(editorText);
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return text;
}

LyricOffset::Rewrite LyricOffset::writeOffset(const QString &text, int32_t offsetMs) {
    const QLatin1String prefix("[offset:");
    const QString value = QString::number(offsetMs);
    Rewrite result{text, -1};
    const qsizetype tag = text.indexOf(prefix);
    if (tag >= 0) {
        const qsizetype close = text.indexOf(QLatin1Char(']'), tag + prefix.size());
        if (close < 0) return result;
        const QString old = text.mid(tag + prefix.size(), close - tag - prefix.size());
        const auto oldValue = LyricNumbers::toWholeNumber(old);
        if (!oldValue || *oldValue == offsetMs) return result;
        result.text.replace(prefix + old + QLatin1Char(']'), prefix + value + QLatin1Char(']'));
        result.caret = close + (value.size() - old.size());
        return result;
    }
    if (offsetMs == 0) return result;
    result.text = prefix + value + QLatin1String("]\n") + text;
    result.caret = prefix.size() + value.size();
    return result;
}
