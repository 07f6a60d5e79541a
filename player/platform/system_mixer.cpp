#include "platform/system_mixer.h"

#include <QProcess>
#include <QStandardPaths>

namespace SystemMixer {

bool start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pavucontrol"));
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

} // namespace SystemMixer
