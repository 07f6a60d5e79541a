#pragma once
// Binds playback to the main window: creates the libmpv engine and (for video) its drawing
// widget in the MediaPlayer1 area, routes the buttons, menu items and mouse presses to the
// playback controller, and shows the controller's changes on the named widgets.
#include "playback/mpv_media_player.h"
#include "playback/playback_controller.h"
#include "playback/playback_view.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <memory>

class MpvVideoWidget;
class PlaylistModel;

class PlaybackWidgets : public QObject, public PlaybackView {
    Q_OBJECT
public:
    PlaybackWidgets(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                    QObject *parent = nullptr);
    ~PlaybackWidgets() override;

    PlaybackController &controller() { return *m_controller; }
    MediaPlayer &player() { return *m_player; }

    // PlaybackView on the main window's widgets.
    QString windowCaption() const override;
    void setTitleLine(const QString &text, const QString &toolTip) override;
    void setHint(const QString &text) override;
    void showVideoLayout(bool video, bool visualOn) override;
    void setFullScreenEnabled(bool enabled) override;
    void setNavigationEnabled(Command command, bool enabled) override;
    void focusSkin() override;
    void setBalanceText(const QString &text) override;
    void stopLyricTimer() override;
    void resetLyricDisplay() override;
    void stopLyricDownloadTimers() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindCommands();

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    std::unique_ptr<MpvMediaPlayer> m_player;
    std::unique_ptr<PlaybackController> m_controller;
    MpvVideoWidget *m_video = nullptr; // owned by the MediaPlayer1 area once created
};
