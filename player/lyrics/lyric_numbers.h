#pragma once
// Number texts of the lyric code: time tags are written in seconds with the same digits the
// position key is cut from, so the tick can find a line by a plain text prefix.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace LyricNumbers {

// Decimal with "." and up to 15 significant digits, never an exponent, no trailing zeros
// (83.45 -> "83.45", 5 -> "5", -0.5 -> "-0.5").
QString format(double value);
// format() with ".0" appended when the text has no "." ("5" -> "5.0").
QString formatSeconds(double value);
// The tenth-of-a-second key of a position: format() cut after the first digit behind the
// "." (cut, not rounded), or with ".0" appended (83.4567 -> "83.4", 7 -> "7.0").
QString positionKey(double seconds);
// The key as a count of tenths ("83.4" -> 834, "-0.4" -> -4); nullopt for texts that are not
// of the key's form (optional "-", digits without a leading zero, ".", one digit).
std::optional<int64_t> tenthsOfKey(QStringView key);

// A plain decimal number with optional blanks around it and an optional sign: "12", " 1.5 ",
// "-3", ".5", "5.". Exponents, thousands separators and hex are not numbers here.
bool isNumber(QStringView text);
// The value of isNumber() text; nullopt when it is not one.
std::optional<double> toNumber(QStringView text);
// A whole number read from a number text, halves rounded to even ("2.5" -> 2, "3.5" -> 4);
// nullopt when the text is not a number or the result does not fit in 32 bits.
std::optional<int32_t> toWholeNumber(QStringView text);
// Seconds of a "m:s" tag text: minutes are digits, seconds a number without sign. Some files
// write hundredths after a second colon ("01:02:50"), which reads as 62.50 s. nullopt for
// anything else.
std::optional<double> colonTagSeconds(QStringView content);
// The whole number nearest to `value`, halves to even.
int64_t roundHalfEven(double value);

} // namespace LyricNumbers
