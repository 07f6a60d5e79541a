#pragma once
// A small store of file classes in the shape of a registry: keys ("\"-separated paths) holding
// named string values, the unnamed value under the empty name. What it holds drives the XDG
// files that make the desktop open our file types with the player.
#include <QMap>
#include <QString>

class FileClassRegistry {
public:
    // The store lives in `storePath` (JSON); a missing or unreadable store starts empty.
    explicit FileClassRegistry(QString storePath);

    // Creates the key and any missing keys above it; an existing key stays as it is.
    void createKey(const QString &keyPath);
    // Writes a string value of an existing key; nothing happens when the key does not exist.
    void setString(const QString &keyPath, const QString &valueName, const QString &text);
    // The value's text; empty when the key or the value does not exist.
    QString getString(const QString &keyPath, const QString &valueName) const;
    bool keyExists(const QString &keyPath) const { return m_keys.contains(keyPath); }

    // Saves the store atomically; false when it cannot be written.
    bool save() const;
    const QString &storePath() const { return m_storePath; }

private:
    QString m_storePath;
    QMap<QString, QMap<QString, QString>> m_keys;
};
