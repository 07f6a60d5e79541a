// Test main for tests that need a QApplication (offscreen unless told otherwise).
#include <QApplication>
#include <clocale>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

// Mesa unloads its software GL driver when the last GL context goes, and LeakSanitizer then sees
// what the driver keeps in its globals as leaks of an unknown module that no suppression can
// name. Held loaded, those allocations stay reachable.
static void keepGlDriverLoaded() {
    for (const char *dir : {"/usr/lib/x86_64-linux-gnu/dri", "/usr/lib/aarch64-linux-gnu/dri",
                            "/usr/lib64/dri", "/usr/lib/dri"}) {
        if (dlopen((std::string(dir) + "/swrast_dri.so").c_str(), RTLD_NOW | RTLD_NODELETE)) return;
    }
}

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    keepGlDriverLoaded();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // libmpv needs it
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
