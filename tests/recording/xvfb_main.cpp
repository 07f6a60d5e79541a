// Test main for tests that drive real windows through the xcb platform: starts a private Xvfb
// server, points DISPLAY at it and runs the tests under a QApplication on xcb.
#include <QApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t startXvfb(std::string &display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", "-noreset", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    if (n <= 0) return -1;
    display = ":" + std::string(buffer, size_t(n));
    while (!display.empty() && (display.back() == '\n' || display.back() == ' '))
        display.pop_back();
    return pid;
}

} // namespace

int main(int argc, char **argv) {
    std::string display;
    const pid_t xvfb = startXvfb(display);
    if (xvfb < 0) {
        std::fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int status = 1;
    {
        QApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C"); // libmpv needs it
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return status;
}
