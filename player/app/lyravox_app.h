#pragma once
// The player's process: the shared context, the dialogs and the main window, which it builds
// anew when the window asks for a reload.
#include "app/main_window.h"
#include "shell/app_context.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

class LyravoxApp : public QObject {
    Q_OBJECT
public:
    // `arguments` without the program name. Switches (--echo-lyrics, --echo-words,
    // --exit-after-track) are taken out; the rest, joined by one blank, is the command line.
    LyravoxApp(const QStringList &arguments, std::unique_ptr<Dialogs> dialogs);
    ~LyravoxApp() override;

    static QString commandLineOf(const QStringList &arguments, AppContext *switches = nullptr);

    AppContext &context() { return m_ctx; }
    MainWindow *window() const { return m_window; }
    // Builds and shows the main window.
    void start();
    // Closes the main window the normal way (settings and playlist saved).
    void closeWindow();

Q_SIGNALS:
    void windowCreated(MainWindow *window);
    void finished();

private:
    void createWindow();
    void onWindowClosed();

    std::unique_ptr<Dialogs> m_dialogs;
    AppContext m_ctx;
    QPointer<MainWindow> m_window;
};
