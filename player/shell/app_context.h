#pragma once
// What every controller of the main window shares: where files live, the settings, the dialogs,
// the command line of this start and the process-wide flags.
#include "platform/app_paths.h"
#include "platform/dialogs.h"
#include "shell/settings.h"

#include <QString>
#include <functional>

struct AppContext {
    explicit AppContext(AppPaths p) : paths(std::move(p)) {}

    AppPaths paths;
    Settings settings;
    Dialogs *dialogs = nullptr;

    // The program's arguments joined by one blank; empty once a reload consumed it.
    QString startupCommandLine;
    bool commandLineConsumed = false;

    // Set while the main window is unloaded for a reload inside the same process.
    bool Reloading = false;
    // Set while a track is switched or a long command runs (the visualization skips frames).
    bool PlayerBusy = false;
    // Set while a long command runs (key shift, vocal removal, a conversion): a second one is
    // refused.
    bool LongCommandRunning = false;
    // The long command that runs, as its refusal names it ("请等待当前的…完成！").
    QString LongCommandName;

    // Closes the main window the normal way and loads a new one (set by the application).
    std::function<void()> requestReload;
    // Closes the main window the normal way and ends the program (set by the application).
    std::function<void()> requestQuit;

    // Command-line switches of this run (not part of the settings).
    bool echoLyrics = false;     // --echo-lyrics: print each highlighted line
    bool echoWords = false;      // --echo-words: print each word as it lights
    bool exitAfterTrack = false; // --exit-after-track: quit when the first played track ends
};
