#include "lyrics/lyric_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {
bool isDigits(QStringView text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

} // namespace

namespace LyricNumbers {

QString format(double value) {
    if (!std::isfinite(value)) return QStringLiteral("0");
    if (value == 0.0) return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e'))) {
        // Very small or very large values: fixed notation with the same 15 significant digits.
        const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
        const int decimals = std::max(0, 14 - magnitude);
        text = QString::number(value, 'f', decimals);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.'))) text.chop(1);
        }
        if (text == QLatin1String("-0")) text = QStringLiteral("0");
    }
    return text;
}

QString formatSeconds(double value) {
    QString text = format(value);
    if (!text.contains(QLatin1Char('.'))) text += QLatin1String(".0");
    return text;
}

QString positionKey(double seconds) {
    QString text = format(seconds);
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0) return text + QLatin1String(".0");
    return text.left(dot + 2);
}

std::optional<int64_t> tenthsOfKey(QStringView key) {
    bool negative = false;
    if (key.startsWith(QLatin1Char('-'))) {
        negative = true;
        key = key.mid(1);
    }
    const qsizetype dot = key.indexOf(QLatin1Char('.'));
    if (dot < 1 || dot != key.size() - 2 || dot > 15) return std::nullopt;
    if (dot > 1 && key[0] == QLatin1Char('0')) return std::nullopt;
    int64_t tenths = 0;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (i == dot) continue;
        const QChar c = key[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        tenths = tenths * 10 + (c.unicode() - '0');
    }
    return negative ? -tenths : tenths;
}

namespace {
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView trimmedNumber(QStringView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

bool isNumber(QStringView text) {
    text = trimmedNumber(text);
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    bool digits = false, dot = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits = true;
        } else if (c == QLatin1Char('.') && !dot) {
            dot = true;
        } else {
            return false;
        }
    }
    return digits;
}

std::optional<double> toNumber(QStringView text) {
    if (!isNumber(text)) return std::nullopt;
    text = trimmedNumber(text);
    if (text.startsWith(QLatin1Char('+'))) text = text.mid(1);
    // Locale-free conversion; the characters are known to be ASCII digits, "-" and ".".
    std::string ascii;
    ascii.reserve(static_cast<size_t>(text.size()) + 2);
    for (QChar c : text)
        ascii += static_cast<char>(c.unicode());
    if (ascii.back() == '.') ascii += '0';
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int64_t roundHalfEven(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded > -9.2e18)) return std::numeric_limits<int64_t>::min();
    if (!(rounded < 9.2e18)) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(rounded);
}

std::optional<int32_t> toWholeNumber(QStringView text) {
    const auto value = toNumber(text);
    if (!value) return std::nullopt;
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

std::optional<double> colonTagSeconds(QStringView content) {
    const qsizetype colon = content.indexOf(QLatin1Char(':'));
    const QStringView minutesText = content.left(colon).trimmed();
    QStringView rest = content.mid(colon + 1).trimmed();
    if (!isDigits(minutesText)) return std::nullopt;
    const auto minutes = toNumber(minutesText);
    if (!minutes) return std::nullopt;
    std::optional<double> seconds;
    const qsizetype second = rest.indexOf(QLatin1Char(':'));
    if (second >= 0) {
        const QStringView whole = rest.left(second);
        const QStringView fraction = rest.mid(second + 1);
        if (!isDigits(whole) || !isDigits(fraction)) return std::nullopt;
        seconds = toNumber(whole.toString() + QLatin1Char('.') + fraction.toString());
    } else {
        if (rest.isEmpty() || rest[0] == QLatin1Char('+') || rest[0] == QLatin1Char('-'))
            return std::nullopt;
        seconds = toNumber(rest);
    }
    if (!seconds) return std::nullopt;
    return *minutes * 60.0 + *seconds;
}

} // namespace LyricNumbers
