#pragma once
// A widget that shows a small picture (the visual engine's frame) enlarged to its whole area,
// twenty times a second, such as over a whole screen. On X11 the X server enlarges it (RENDER,
// nearest filter): a frame sends only the small picture and one composite request, and the
// display hardware does the rest. Without RENDER (another platform, an old server) the
// picture is enlarged here and painted like any widget.
#include "visuals/picture_scaler.h"

#include <QWidget>
#include <functional>
#include <memory>

class StretchedPicture : public QWidget {
    Q_OBJECT
public:
    // `picture` supplies the frame at each paint; null or an empty image paints black.
    explicit StretchedPicture(std::function<const QImage *()> picture, QWidget *parent = nullptr);
    ~StretchedPicture() override;

    // True while the X server does the enlargement (known once the widget was first shown).
    bool serverScaled() const;
    QPaintEngine *paintEngine() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Server;
    void paintHere();
    bool paintOnServer();

    std::function<const QImage *()> m_picture;
    PictureScaler m_scaler;
    std::unique_ptr<Server> m_server; // null: not tried yet, or given up
    bool m_serverTried = false;
};
