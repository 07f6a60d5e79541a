#include "visuals/cover_picture.h"

#include "lyrics/lyric_store.h"
#include "platform/file_names.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace {
QImage readPicture(const QString &path) {
    if (!QFile::exists(path)) return QImage();
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true); // ".pic" says nothing of the format
    return reader.read();
}
} // namespace

CoverPicture::CoverPicture(AppContext &ctx, QWidget *box, QLabel *picture)
    : m_ctx(ctx), m_box(box), m_picture(picture) {}

QRect CoverPicture::placement(QSize natural, QSize box, bool stretch) {
    if (stretch || natural.isEmpty()) return QRect(QPoint(0, 0), box);
    const double ratio = double(natural.height()) / natural.width();
    const double boxRatio = double(box.height()) / box.width();
    if (ratio > boxRatio) {
        const int width = int(box.height() / ratio);
        return QRect((box.width() - width) / 2, 0, width, box.height());
    }
    const int height = int(box.width() * ratio);
    return QRect(0, (box.height() - height) / 2, box.width(), height);
}

QString CoverPicture::pictureFileName(const QString &track) {
    QString name = LyricStore::storeFileName(track);
    name.chop(4); // ".lrc" and ".pic" are equally long
    return QStringLiteral("PICS/") + name + QStringLiteral(".pic");
}

void CoverPicture::reload() {
    const Settings &s = m_ctx.settings;
    m_default = QImage();
    if (s.CoverPictureMode == 2)
        m_default = readPicture(m_ctx.paths.file(QStringLiteral("userdefine.pic")));
    if (m_default.isNull())
        m_default = readPicture(m_ctx.paths.shipped(QStringLiteral("default.pic")));
    layout();
    if (m_picture) m_picture->setVisible(s.CoverPictureMode > 0 && !m_default.isNull());
}

void CoverPicture::place(const QImage &picture) {
    if (!m_picture || !m_box) return;
    if (picture.isNull()) {
        m_picture->clear();
        return;
    }
    const QRect at = placement(picture.size(), m_box->size(), m_ctx.settings.PictureStretch == 1);
    m_picture->setGeometry(at);
    m_picture->setPixmap(QPixmap::fromImage(
        picture.scaled(at.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void CoverPicture::layout() {
    place(m_track.isNull() ? m_default : m_track);
}

void CoverPicture::showTrackPicture(const QString &path, bool refresh) {
    if (m_box) m_box->setEnabled(false);
    if (m_picture) m_picture->hide();
    m_currentPath.clear();
    m_track = QImage();
    const QString track = m_hooks.currentTrack ? m_hooks.currentTrack() : QString();
    if (!track.isEmpty()) {
        // The default picture fills the box until the track's own one loads.
        if (m_picture && m_box && !m_default.isNull()) {
            m_picture->setGeometry(QRect(QPoint(0, 0), m_box->size()));
            m_picture->setPixmap(QPixmap::fromImage(
                m_default.scaled(m_box->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
        }
        const QString p = path.isEmpty() ? m_ctx.paths.file(pictureFileName(track)) : path;
        const QImage picture = readPicture(p);
        if (!picture.isNull()) {
            m_track = picture;
            place(m_track);
            m_currentPath = p;
        }
        if (!refresh && m_hooks.lyricBackground) m_hooks.lyricBackground(m_track);
    }
    if (m_ctx.settings.CoverPictureMode > 0 && m_box) m_box->show();
    if (m_picture && !(m_hooks.videoShown && m_hooks.videoShown())) m_picture->show();
    if (m_box) m_box->setEnabled(true);
}

void CoverPicture::showPictureToggled(bool checked) {
    Settings &s = m_ctx.settings;
    if (checked) {
        if (s.CoverPictureMode == 0) s.CoverPictureMode = 1;
        showTrackPicture();
        return;
    }
    s.CoverPictureMode = 0;
    m_track = QImage();
    if (m_picture && m_box && !m_default.isNull()) {
        m_picture->setGeometry(QRect(QPoint(0, 0), m_box->size()));
        m_picture->setPixmap(QPixmap::fromImage(
            m_default.scaled(m_box->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }
    if (m_box) m_box->hide();
}

void CoverPicture::replacePicture() {
    const QString track = m_hooks.currentTrack ? m_hooks.currentTrack() : QString();
    if (track.isEmpty() || !m_ctx.dialogs) return;
    Dialogs &dialogs = *m_ctx.dialogs;
    const bool paused = m_hooks.pauseWhenPlaying && m_hooks.pauseWhenPlaying();
    auto resume = [&] {
        if (paused && m_hooks.resume) m_hooks.resume();
    };
    Dialogs::FileRequest request;
    request.title = QStringLiteral("查找/替换图片");
    request.filter = QStringLiteral("图片文件(*.jpg;*.gif;*.bmp)|*.jpg;*.gif;*.bmp;*.jpeg|"
                                    "PICS文件(*.pic)|*.pic|所有文件(*.*)|*.*");
    const QStringList chosen = dialogs.openFiles(request);
    if (chosen.isEmpty() || chosen.first().isEmpty()) return resume();
    const QString source = chosen.first();
    showTrackPicture(source);
    if (m_picture) m_picture->show();
    const QString target = m_ctx.paths.file(pictureFileName(track));
    if (QFile::exists(target)) {
        Dialogs::Message question;
        question.text = QStringLiteral("你要保存当前的图片文件来替换原来的图片文件吗?");
        question.icon = Dialogs::Icon::Warning;
        question.buttons = Dialogs::Buttons::YesNo;
        question.defaultAnswer = Dialogs::Answer::Yes;
        if (dialogs.message(question) != Dialogs::Answer::Yes) {
            if (m_ctx.settings.CoverPictureMode > 0) showTrackPicture(target);
            return resume();
        }
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!FileNames::replaceFile(source, target)) {
        dialogs.error(QStringLiteral("无法保存图片文件：") + target);
        return resume();
    }
    if (m_box) m_box->show();
    m_currentPath = target;
    resume();
}
