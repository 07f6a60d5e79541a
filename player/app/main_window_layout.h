#pragma once
// Creates the named widgets and timers of the main window at their places on the skin.
struct MainWindowUi;
class QWidget;

constexpr int kSkinWidth = 660;
constexpr int kSkinHeight = 520;

void buildMainWindowWidgets(QWidget *frmMain, MainWindowUi &ui);
