// processing_run shift IN OUT STEP | devocal IN OUT LEVEL | karaoke IN OUT 0
// Runs the background work of one key shift or vocal removal exactly as the player does (the
// working copy, the effect control through its C interface, the result file), without the
// dialogs, and exits 0 when the result file is complete. devocal subtracts the channels and
// compensates with LEVEL; karaoke is the frequency-domain removal.
#include "processing/effect_host.h"
#include "processing/processed_copy_job.h"
#include "processing/processing_rules.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const bool known =
        argc == 5 && (std::strcmp(argv[1], "shift") == 0 || std::strcmp(argv[1], "devocal") == 0 ||
                      std::strcmp(argv[1], "karaoke") == 0);
    if (!known) {
        std::fprintf(stderr, "usage: processing_run shift|devocal|karaoke IN OUT STEP|LEVEL|0\n");
        return 2;
    }
    QTemporaryDir temp;
    const bool shift = std::strcmp(argv[1], "shift") == 0;
    ProcessedCopyJob::Request request;
    request.kind = shift ? ProcessedCopyJob::Kind::KeyShift : ProcessedCopyJob::Kind::VocalRemoval;
    request.source = QString::fromLocal8Bit(argv[2]);
    request.output = QString::fromLocal8Bit(argv[3]);
    request.tempWav = temp.filePath(shift ? QStringLiteral("3.wav") : QStringLiteral("2.wav"));
    request.tempWav2 = temp.filePath(QStringLiteral("22.wav"));
    const int value = std::atoi(argv[4]);
    request.shiftMode = ProcessingRules::shiftMode(value);
    request.compensationLevel = value;
    request.spectral = std::strcmp(argv[1], "karaoke") == 0;

    EffectHost effect;
    ProcessedCopyJob job(effect, request);
    int code = 1;
    QObject::connect(&job, &ProcessedCopyJob::finished, &app, [&](bool ok, const QString &message) {
        if (!ok) std::fprintf(stderr, "processing_run: %s\n", qPrintable(message));
        code = ok ? 0 : 1;
        app.quit();
    });
    job.start();
    app.exec();
    return code;
}
