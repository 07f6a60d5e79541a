#include "shell/settings.h"

#include "platform/text_file.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

enum class Kind { Boolean, Integer, KiloBits, Text };

struct Field {
    Kind kind;
    int32_t Settings::*number;
};

// The stored fields in file order; SkinFile (field 21) is the only text.
const Field kFields[23] = {
    {Kind::Boolean, &Settings::RandomPlay},
    {Kind::Integer, &Settings::CurrentIndex},
    {Kind::Boolean, &Settings::ShowMixerOnRecord},
    {Kind::KiloBits, &Settings::Mp3BitRate},
    {Kind::Integer, &Settings::Mp3SampleRate},
    {Kind::Boolean, &Settings::AutoDownloadLyrics},
    {Kind::Integer, &Settings::DownloadWaitSeconds},
    {Kind::Boolean, &Settings::AutoFuzzySearch},
    {Kind::Integer, &Settings::CoverPictureMode},
    {Kind::Integer, &Settings::PictureStretch},
    {Kind::Integer, &Settings::VocalCompensation},
    {Kind::Integer, &Settings::ShowLevelMeter},
    {Kind::Integer, &Settings::MaxRecordMinutes},
    {Kind::Integer, &Settings::RecordBufferMode},
    {Kind::Integer, &Settings::StopRecordAtEnd},
    {Kind::Integer, &Settings::VisualOn},
    {Kind::Integer, &Settings::VisualStyle},
    {Kind::Integer, &Settings::VisualRandom},
    {Kind::Integer, &Settings::AutoPlayOnStart},
    {Kind::Integer, &Settings::AutoFullScreenVideo},
    {Kind::Text, nullptr},
    {Kind::Integer, &Settings::LyricDisplayMode},
    {Kind::Integer, &Settings::CoverAsLyricBackground},
};

// A number as the file writes it: a blank or the minus sign, the digits, a trailing blank.
QString numberText(double value) {
    QString digits = QString::number(std::fabs(value), 'g', 15);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits + QLatin1Char(' ');
}

std::optional<double> toNumber(const QString &text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const qlonglong whole = t.toLongLong(&ok);
    if (ok) return double(whole);
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d)) return d;
    return std::nullopt;
}

std::optional<int32_t> toInt32(double d) {
    const double r = std::nearbyint(d);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(r);
}

// Splits the record into its fields: quoted texts taken unchanged, unquoted ones up to the next
// comma; blanks and line ends between fields are skipped.
QStringList splitFields(const QString &text) {
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isGap = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    };
    while (i < n && fields.size() < 23) {
        while (i < n && isGap(text.at(i)))
            ++i;
        if (i >= n) break;
        QString field;
        if (text.at(i) == QLatin1Char('"')) {
            const qsizetype close = text.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            field = text.mid(i + 1, end - i - 1);
            i = end + 1;
            while (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n') &&
                   text.at(i) != QLatin1Char('\r'))
                ++i;
        } else {
            qsizetype end = i;
            while (end < n && text.at(end) != QLatin1Char(',') &&
                   text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
                ++end;
            field = text.mid(i, end - i);
            i = end;
        }
        if (i < n && text.at(i) == QLatin1Char(',')) ++i;
        fields << field;
    }
    return fields;
}

} // namespace

namespace SettingsFile {

void parse(const QByteArray &bytes, Settings &settings) {
    const QStringList fields = splitFields(TextFile::decode(bytes));
    for (qsizetype k = 0; k < fields.size(); ++k) {
        const QString &text = fields.at(k);
        if (text.isEmpty()) continue;
        const Field &f = kFields[k];
        if (f.kind == Kind::Text) {
            settings.SkinFile = text;
            continue;
        }
        const std::optional<double> number = toNumber(text);
        if (!number) continue;
        std::optional<int32_t> value;
        switch (f.kind) {
        case Kind::Boolean:
            value = Settings::flag(*number != 0);
            break;
        case Kind::Integer:
            value = toInt32(*number);
            break;
        case Kind::KiloBits:
            value = toInt32(*number * 1000.0);
            break;
        case Kind::Text:
            break;
        }
        if (value) settings.*(f.number) = *value;
    }
}

void read(const QString &path, Settings &settings) {
    if (const std::optional<QByteArray> bytes = TextFile::readBytes(path)) parse(*bytes, settings);
}

QByteArray format(const Settings &settings) {
    QStringList texts;
    for (const Field &f : kFields) {
        switch (f.kind) {
        case Kind::Text:
            texts << settings.SkinFile;
            break;
        case Kind::KiloBits:
            texts << numberText(settings.*(f.number) / 1000.0);
            break;
        case Kind::Boolean:
        case Kind::Integer:
            texts << numberText(settings.*(f.number));
            break;
        }
    }
    QString line;
    for (qsizetype k = 0; k < texts.size(); ++k) {
        if (k) line += QLatin1Char(',');
        line += QLatin1Char('"') + texts.at(k) + QLatin1Char('"');
    }
    return line.toUtf8() + "\r\n";
}

bool write(const QString &path, const Settings &settings) {
    return TextFile::writeBytes(path, format(settings));
}

void clampAfterRead(Settings &settings) {
    settings.MaxRecordMinutes = std::clamp(settings.MaxRecordMinutes, 1, 30);
    if (settings.VisualStyle < 1) settings.VisualStyle = 1;
    if (settings.CoverPictureMode == 0) settings.CoverPictureMode = 1;
}

} // namespace SettingsFile
