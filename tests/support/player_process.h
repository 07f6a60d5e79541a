#pragma once
// Starting the real lyravox program from a test: in the test's home folder, offscreen, with
// audio to a null output.
#include "temp_home.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace PlayerProcess {
// The built program (LYRAVOX_BIN_DIR/lyravox).
QString program();
// The test's environment with the player's home in `home`, without a session bus.
QProcessEnvironment environment(const TempHome &home);
// Starts the program with `arguments` in `home`; false when it did not start.
bool start(QProcess &process, const TempHome &home, const QStringList &arguments = {});
// Waits until the start-up sequence has created the home folder's folders.
void waitForStartup(const TempHome &home);
// Sends SIGTERM.
void terminate(QProcess &process);
} // namespace PlayerProcess
