#include "platform/file_class_registry.h"

#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

FileClassRegistry::FileClassRegistry(QString storePath) : m_storePath(std::move(storePath)) {
    const std::optional<QByteArray> bytes = TextFile::readBytes(m_storePath);
    if (!bytes) return;
    const QJsonObject keys = QJsonDocument::fromJson(*bytes).object();
    for (auto k = keys.begin(); k != keys.end(); ++k) {
        QMap<QString, QString> values;
        const QJsonObject v = k.value().toObject();
        for (auto it = v.begin(); it != v.end(); ++it)
            values.insert(it.key(), it.value().toString());
        m_keys.insert(k.key(), values);
    }
}

void FileClassRegistry::createKey(const QString &keyPath) {
    const QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString path;
    for (const QString &part : parts) {
        path = path.isEmpty() ? part : path + QLatin1Char('\\') + part;
        if (!m_keys.contains(path)) m_keys.insert(path, {});
    }
}

void FileClassRegistry::setString(const QString &keyPath, const QString &valueName,
                                  const QString &text) {
    auto key = m_keys.find(keyPath);
    if (key != m_keys.end()) key->insert(valueName, text);
}

QString FileClassRegistry::getString(const QString &keyPath, const QString &valueName) const {
    return m_keys.value(keyPath).value(valueName);
}

bool FileClassRegistry::save() const {
    QJsonObject keys;
    for (auto k = m_keys.begin(); k != m_keys.end(); ++k) {
        QJsonObject values;
        for (auto v = k->begin(); v != k->end(); ++v)
            values.insert(v.key(), v.value());
        keys.insert(k.key(), values);
    }
    QDir().mkpath(QFileInfo(m_storePath).absolutePath());
    return TextFile::writeBytes(m_storePath, QJsonDocument(keys).toJson());
}
