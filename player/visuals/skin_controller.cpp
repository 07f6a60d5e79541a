#include "visuals/skin_controller.h"

#include "platform/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

SkinController::SkinController(AppContext &ctx, SkinHost &host, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_host(host) {}

void SkinController::replaceSkin() {
    Dialogs &dialogs = *m_ctx.dialogs;
    const QString skinsFolder = m_ctx.paths.file(QStringLiteral("skins"));
    Dialogs::FileRequest request;
    request.title = QStringLiteral("查找/替换界面皮肤");
    request.folder = skinsFolder;
    request.filter =
        QStringLiteral("图片文件(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|所有文件(*.*)|*.*");
    const QStringList chosen = dialogs.openFiles(request);
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    const QString path = chosen.first();
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty()) return;
    const QImage previous = m_host.skinPicture();
    QImage skin;
    if (!skin.load(path) || skin.isNull()) {
        dialogs.error(QStringLiteral("错误或不支持的的皮肤文件！"));
        return;
    }
    m_host.setSkinPicture(skin);
    m_host.requestFitWindowToSkin();
    const QString stored = skinsFolder + QLatin1Char('/') + name;
    if (QFileInfo(path).absoluteFilePath().compare(QFileInfo(stored).absoluteFilePath(),
                                                   Qt::CaseInsensitive) != 0) {
        if (!dialogs.ask(QStringLiteral("你要保存此界面皮肤吗?"))) {
            m_host.setSkinPicture(previous);
            m_host.requestFitWindowToSkin();
            return;
        }
        QDir().mkpath(skinsFolder);
        if (!FileNames::replaceFile(path, stored)) {
            // The skin shows, but the setting keeps naming the stored one that still exists.
            dialogs.error(QStringLiteral("无法保存界面皮肤文件到【") + skinsFolder +
                          QStringLiteral("】中！"));
            return;
        }
    }
    m_ctx.settings.SkinFile = name;
}

void SkinController::restoreDefaultSkin() {
    m_ctx.settings.SkinFile.clear();
    m_host.setSkinPicture(QImage());
    m_host.requestFitWindowToSkin();
}
