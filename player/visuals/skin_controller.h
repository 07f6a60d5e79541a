#pragma once
// The skin commands: replace the skin with a picture of the user's, or restore the built-in one.
#include "shell/app_context.h"

#include <QImage>
#include <QObject>

// What the skin commands need of the main window.
class SkinHost {
public:
    virtual ~SkinHost() = default;
    virtual QImage skinPicture() const = 0;
    // A null picture means the built-in skin.
    virtual void setSkinPicture(const QImage &skin) = 0;
    virtual void requestFitWindowToSkin() = 0;
};

class SkinController : public QObject {
    Q_OBJECT
public:
    SkinController(AppContext &ctx, SkinHost &host, QObject *parent = nullptr);

    // "查找替换(&R)": choose a picture, show it, and keep it in "skins" when asked to.
    void replaceSkin();
    // "恢复默认(&D)".
    void restoreDefaultSkin();

private:
    AppContext &m_ctx;
    SkinHost &m_host;
};
