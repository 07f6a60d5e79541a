#pragma once
// Which lyric service the download asks: $XDG_CONFIG_HOME/lyravox/lyrics.ini, section
// [service], keys `provider` ("reference" or "lrclib") and `url` (the base address). Without
// the file (or with values it cannot use) LRCLIB's public API at https://lrclib.net; the
// reference protocol needs the address of the server that speaks it.
#include "lyrics/download/lyric_provider.h"

#include <QString>
#include <QUrl>
#include <memory>

struct LyricServiceConfig {
    enum class Provider { Reference, Lrclib };
    Provider provider = Provider::Lrclib;
    QUrl url = defaultUrl();

    static QUrl defaultUrl();
    // $XDG_CONFIG_HOME/lyravox/lyrics.ini (~/.config when unset).
    static QString defaultPath();
    static LyricServiceConfig read(const QString &iniPath = defaultPath());

    std::unique_ptr<LyricProvider> createProvider() const;
};
