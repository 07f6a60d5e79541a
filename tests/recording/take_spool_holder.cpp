// A recording process for the spool tests: records a rising 16-bit ramp into a take spool in the
// TEMP folder given as its argument, one tenth of a second every 50 ms, and prints the bytes the
// spool holds after each append ("written N"), until it is killed.
#include "recording/take_file.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <vector>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    TakeSpool spool;
    if (!spool.open(QString::fromLocal8Bit(argv[1]), AudioFormat{})) return 1;
    std::vector<int16_t> take;
    for (;;) {
        for (int k = 0; k < 4410 * 2; ++k)
            take.push_back(int16_t(take.size()));
        if (!spool.append(reinterpret_cast<const char *>(take.data()), take.size() * 2)) return 1;
        std::printf("written %zu\n", spool.written());
        std::fflush(stdout);
        QThread::msleep(50);
    }
}
