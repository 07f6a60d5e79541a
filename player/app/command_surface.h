#pragma once
// The parts of the main window's command surface that belong to no single subsystem: the
// updates made when the View, level and visualization menus open, the right-button menus of
// the cover, visualization and lyric areas, and the focus step of the lyric offset buttons.
#include <QObject>

struct AppContext;
struct MainWindowUi;
class MediaPlayer;

class CommandSurface : public QObject {
    Q_OBJECT
public:
    CommandSurface(AppContext &ctx, MainWindowUi &ui, MediaPlayer &player,
                   QObject *parent = nullptr);

    // The updates before "查看(&V)", Popmnu3 and Popmnu6 show.
    void updateViewMenu();
    void updateLevelMenu();
    void updateVisualMenu();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    AppContext &m_ctx;
    MainWindowUi &m_ui;
    MediaPlayer &m_player;
};
