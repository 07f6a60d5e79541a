#pragma once
// The picture box of the main window (Image2 on Picture2): the track's own picture
// ("PICS/<name>.pic", named by the lyric store's rule), or the default picture
// ("userdefine.pic" or the built-in "default.pic"), laid out stretched or in proportion; and
// the picture commands "显示图片(&X)" and "查找/替换封面图片(&P)".
#include "shell/app_context.h"

#include <QImage>
#include <QRect>
#include <functional>

class QLabel;
class QWidget;

// What the picture needs of the other subsystems. Unset members mean "no" or do nothing.
struct CoverPictureHooks {
    std::function<QString()> currentTrack;  // CurrentFile; empty when no track is loaded
    std::function<bool()> videoShown;       // the loaded medium shows a picture
    std::function<bool()> pauseWhenPlaying; // pauses a playing medium; true when it did
    std::function<void()> resume;           // plays the medium again
    // A new lyric background: the track's picture (null: choose a random background).
    std::function<void(const QImage &)> lyricBackground;
};

class CoverPicture {
public:
    CoverPicture(AppContext &ctx, QWidget *box, QLabel *picture);

    CoverPictureHooks &hooks() { return m_hooks; }

    // Where a picture of `natural` size goes in a box of `box` size: the whole box when
    // stretched, otherwise as large as fits with its proportions kept, centred.
    static QRect placement(QSize natural, QSize box, bool stretch);
    // "PICS/" + the picture file name of a track: the lyric store's name with ".pic".
    static QString pictureFileName(const QString &track);

    // Reloads the default picture after CoverPictureMode or "userdefine.pic" changed; the
    // picture shows while the mode is above 0.
    void reload();
    // Lays the shown picture out again after PictureStretch changed.
    void layout();
    const QImage &defaultPicture() const { return m_default; }

    // Shows the track's picture: `path`, or the track's own file when empty; the default
    // picture when it has none. `refresh` is the deferred refresh (the lyric background stays).
    void showTrackPicture(const QString &path = QString(), bool refresh = false);
    // The picture shown for the current track; null when it has none.
    const QImage &trackPicture() const { return m_track; }
    const QString &currentPicturePath() const { return m_currentPath; }

    // "显示图片(&X)" after its check mark changed to `checked`.
    void showPictureToggled(bool checked);
    // "查找/替换封面图片(&P)".
    void replacePicture();

private:
    void place(const QImage &picture);

    AppContext &m_ctx;
    QWidget *m_box;
    QLabel *m_picture;
    CoverPictureHooks m_hooks;
    QImage m_default;
    QImage m_track;
    QString m_currentPath;
};
