#include "app/lyravox_app.h"

#include "app/main_window.h"

#include <QTimer>

LyravoxApp::LyravoxApp(const QStringList &arguments, std::unique_ptr<Dialogs> dialogs)
    : m_dialogs(std::move(dialogs)), m_ctx(AppPaths::fromEnvironment()) {
    m_ctx.dialogs = m_dialogs.get();
    m_ctx.startupCommandLine = commandLineOf(arguments, &m_ctx);
    m_ctx.requestReload = [this] {
        m_ctx.Reloading = true;
        closeWindow();
    };
    m_ctx.requestQuit = [this] { closeWindow(); };
}

LyravoxApp::~LyravoxApp() {
    delete m_window.data();
}

QString LyravoxApp::commandLineOf(const QStringList &arguments, AppContext *switches) {
    QStringList rest;
    for (const QString &arg : arguments) {
        if (arg == QStringLiteral("--echo-lyrics")) {
            if (switches) switches->echoLyrics = true;
        } else if (arg == QStringLiteral("--echo-words")) {
            if (switches) switches->echoWords = true;
        } else if (arg == QStringLiteral("--exit-after-track")) {
            if (switches) switches->exitAfterTrack = true;
        } else {
            rest << arg;
        }
    }
    return rest.join(QLatin1Char(' '));
}

void LyravoxApp::start() {
    createWindow();
}

void LyravoxApp::createWindow() {
    m_window = new MainWindow(m_ctx);
    connect(m_window, &MainWindow::unloaded, this, &LyravoxApp::onWindowClosed,
            Qt::QueuedConnection);
    m_window->show();
    Q_EMIT windowCreated(m_window);
}

void LyravoxApp::closeWindow() {
    if (!m_window) return;
    // Leave the current event handler first: the window's own commands may still run.
    QTimer::singleShot(0, this, [this] {
        if (m_window) m_window->close();
    });
}

void LyravoxApp::onWindowClosed() {
    MainWindow *old = m_window;
    m_window = nullptr;
    if (old) old->deleteLater();
    if (m_ctx.Reloading) {
        // The reloaded window starts without the command line.
        m_ctx.commandLineConsumed = true;
        createWindow();
        return;
    }
    Q_EMIT finished();
}
