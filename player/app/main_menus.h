#pragma once
// The main menu Popmnu0 and the context menus Popmnu1 ... Popmnu6 of the main window.
struct MainWindowUi;
class QWidget;

// Creates every menu and item with its name as object name. A context-menu item runs the main
// menu item it mirrors, so controllers connect only the "mnu" items.
void buildMainMenus(QWidget *frmMain, MainWindowUi &ui);
