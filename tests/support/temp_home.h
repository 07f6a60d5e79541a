#pragma once
// A temporary home folder for one test: LYRAVOX_HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point into
// it while the object lives; everything is removed afterwards.
#include "platform/app_paths.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const {
        return m_dir.path() + QLatin1Char('/') + relative;
    }
    AppPaths paths() const;
    // Writes bytes to a file below the home folder, creating its folders.
    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    // The lyric service the player asks ($XDG_CONFIG_HOME/lyravox/lyrics.ini).
    void setLyricService(const QString &provider, const QString &url) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome, m_oldConfig, m_oldData;
    bool m_hadHome, m_hadConfig, m_hadData;
};
