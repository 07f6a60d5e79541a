#include "shell/file_type_registration.h"

#include "platform/file_class_registry.h"

namespace FileTypeRegistration {

void registerPlaylistType(FileClassRegistry &registry, const QString &homeFolder,
                          const QString &programPath) {
    const QString q = QStringLiteral("\"");
    const QString keys[] = {QStringLiteral(".lvx"), QStringLiteral("LVX.file"),
                            QStringLiteral("LVX.file\\DefaultIcon"),
                            QStringLiteral("LVX.file\\Shell\\Edit\\Command"),
                            QStringLiteral("LVX.file\\Shell\\Open\\Command")};
    for (const QString &key : keys)
        registry.createKey(key);
    registry.setString(keys[0], QString(), QStringLiteral("LVX.file"));
    registry.setString(keys[1], QString(), QStringLiteral("LVX File"));
    registry.setString(keys[2], QString(), homeFolder + QStringLiteral("/res/lvx.ico,0"));
    registry.setString(keys[3], QString(), QStringLiteral("editor %1"));
    registry.setString(keys[4], QString(),
                       q + programPath + q + QStringLiteral(" ") + q + QStringLiteral("%1") + q);
}

} // namespace FileTypeRegistration
