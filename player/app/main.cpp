// Lyravox: the karaoke player.
#include "app/lyravox_app.h"
#include "app/single_instance.h"
#include "app/unix_signals.h"
#include "mpris/mpris_service.h"
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: lyravox [--echo-lyrics] [--echo-words] [--exit-after-track] [/a ] [FILE | ADDRESS |"
    " LIST.lvx | LIST.m3u]\n"
    "  FILE, ADDRESS      play this media file or stream address (the playlist becomes it)\n"
    "  LIST.lvx, LIST.m3u load this playlist\n"
    "  /a                 append the file to the playlist instead\n"
    "  --echo-lyrics      print every highlighted lyric line\n"
    "  --echo-words       print every word of a lyric line with word times as it lights\n"
    "  --exit-after-track close when the first track played ends\n"
    "  --help, --version  print this text or the version and exit\n";

} // namespace

int main(int argc, char **argv) {
    // Answered before any window-system connection, so that they work without a display.
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--help") == 0 || std::strcmp(argv[k], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[k], "--version") == 0) {
            std::printf("Lyravox %s\n", LYRAVOX_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lyravox"));
    QApplication::setApplicationVersion(QStringLiteral(LYRAVOX_VERSION));
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
    // The desktop's media keys and sound menu; without a session bus the player is unchanged.
    MprisService mpris;
    mpris.registerOnSessionBus();
    QObject::connect(&lyravox, &LyravoxApp::windowCreated, &mpris,
                     [&mpris](MainWindow *window) { mpris.setSource(&window->mpris()); });
    lyravox.start();
    return app.exec();
}
