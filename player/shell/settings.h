#pragma once
// The player's process-wide preferences, stored in SetLog.ini.
#include <QColor>
#include <QString>
#include <cstdint>

struct Settings {
    // Stored fields, in file order. Booleans hold -1 (true) and 0 (false).
    int32_t RandomPlay = 0;
    int32_t CurrentIndex = -1;
    int32_t ShowMixerOnRecord = -1;
    int32_t Mp3BitRate = 128000;
    int32_t Mp3SampleRate = 44100;
    int32_t AutoDownloadLyrics = -1;
    int32_t DownloadWaitSeconds = 10;
    int32_t AutoFuzzySearch = -1;
    int32_t CoverPictureMode = 1;
    int32_t PictureStretch = 1;
    int32_t VocalCompensation = 3;
    int32_t ShowLevelMeter = 1;
    int32_t MaxRecordMinutes = 10;
    int32_t RecordBufferMode = 1;
    int32_t StopRecordAtEnd = 1;
    int32_t VisualOn = 0;
    int32_t VisualStyle = 1;
    int32_t VisualRandom = 1;
    int32_t AutoPlayOnStart = 1;
    int32_t AutoFullScreenVideo = 0;
    QString SkinFile;
    int32_t LyricDisplayMode = 2;
    int32_t CoverAsLyricBackground = 0;

    // Fixed values, not stored.
    QColor LyricBackColor{0, 0, 128};
    QColor LyricTagColor{0, 0, 0};
    QColor LyricTextColor{150, 150, 255};
    QColor LyricHighlightColor{255, 255, 255};
    QString LyricFontName = QStringLiteral("宋体");
    int LyricFontSize = 10;
    bool LyricFontBold = true;
    QString Mp3SearchTemplate;
    QString PictureSearchTemplate;

    static bool isTrue(int32_t flag) { return flag != 0; }
    static int32_t flag(bool on) { return on ? -1 : 0; }
};

// SetLog.ini: one line of 23 quoted, comma-separated fields ended by CR LF.
namespace SettingsFile {
// Reads `path` over `settings`: fields that are missing, empty or not a number keep their value.
void read(const QString &path, Settings &settings);
// Parses the file's bytes over `settings` (as read()).
void parse(const QByteArray &bytes, Settings &settings);
// The file's exact bytes for `settings`.
QByteArray format(const Settings &settings);
// Writes atomically; false when the file cannot be written.
bool write(const QString &path, const Settings &settings);
// Start-up clamps: MaxRecordMinutes to 1...30, VisualStyle raised to 1.
void clampAfterRead(Settings &settings);
} // namespace SettingsFile
