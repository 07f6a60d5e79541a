#pragma once
// The picture box of the main window (Image2 on Picture2): the default picture, the user's
// own "userdefine.pic" or the built-in "default.pic", laid out stretched or in proportion.
#include "shell/app_context.h"

#include <QImage>
#include <QRect>

class QLabel;
class QWidget;

class CoverPicture {
public:
    CoverPicture(AppContext &ctx, QWidget *box, QLabel *picture);

    // Where a picture of `natural` size goes in a box of `box` size: the whole box when
    // stretched, otherwise as large as fits with its proportions kept, centred.
    static QRect placement(QSize natural, QSize box, bool stretch);

    // Reloads the default picture after CoverPictureMode or "userdefine.pic" changed; the
    // picture shows while the mode is above 0.
    void reload();
    // Lays the shown picture out again after PictureStretch changed.
    void layout();
    const QImage &defaultPicture() const { return m_default; }

private:
    AppContext &m_ctx;
    QWidget *m_box;
    QLabel *m_picture;
    QImage m_default;
};
