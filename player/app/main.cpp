// Lyravox: the karaoke player.
#include "app/lyravox_app.h"
#include "app/single_instance.h"
#include "app/unix_signals.h"
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <clocale>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lyravox"));
    QApplication::setApplicationVersion(QStringLiteral("1.7.0"));
    QApplication::setQuitOnLastWindowClosed(false);
    std::setlocale(LC_NUMERIC, "C"); // libmpv parses numbers with the C locale

    const QStringList arguments = app.arguments().mid(1);
    const QString commandLine = LyravoxApp::commandLineOf(arguments);
    const AppPaths paths = AppPaths::fromEnvironment();
    SingleInstance instance(paths.home());
    switch (SingleInstance::decide(instance.otherRunning(), commandLine)) {
    case SingleInstance::Decision::ExitSilently:
        return 0;
    case SingleInstance::Decision::ExitWithAppendMessage: {
        QtDialogs dialogs;
        dialogs.info(
            QStringLiteral("目前程序已经打开，可以通过添加对话框或直接将此文件拖到播放列表中。"));
        return 0;
    }
    case SingleInstance::Decision::Continue:
        break;
    }

    LyravoxApp lyravox(arguments, std::make_unique<QtDialogs>());
    UnixSignals signals;
    QObject::connect(&signals, &UnixSignals::terminateRequested, &lyravox,
                     &LyravoxApp::closeWindow);
    QObject::connect(&lyravox, &LyravoxApp::finished, &app, &QApplication::quit);
    lyravox.start();
    return app.exec();
}
