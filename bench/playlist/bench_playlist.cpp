// A 10 000-item playlist: reading the file (UTF-8 and GB18030), loading it into the model and
// the main window's List1 through the controller, and writing List.lvx.
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "platform/text_file.h"
#include "playlist/playlist_controller.h"
#include "playlist/playlist_file.h"

#include <QApplication>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kItems = 10000;

QStringList sampleItems() {
    QStringList items;
    items.reserve(kItems);
    for (int i = 0; i < kItems; ++i)
        items << QStringLiteral("/home/singer/音乐/卡拉OK/歌手%1/第%2首 - 一首很长的歌名.mp3")
                     .arg(i % 97)
                     .arg(i);
    return items;
}

struct Files {
    Files() {
        items = sampleItems();
        utf8 = dir.filePath(QStringLiteral("List.lvx"));
        TextFile::writeBytes(utf8, PlaylistFile::format(items, 42));
        gb = dir.filePath(QStringLiteral("gb.m3u"));
        QStringEncoder encoder("GB18030");
        QString text = QStringLiteral("#EXTM3U\r\n");
        for (const QString &item : items)
            text += QStringLiteral("#EXTINF:200,歌\r\n") + item + QStringLiteral("\r\n");
        TextFile::writeBytes(gb, encoder.encode(text));
    }
    QTemporaryDir dir;
    QStringList items;
    QString utf8, gb;
};

Files &files() {
    static Files f;
    return f;
}

void BM_ReadLvx(benchmark::State &state) {
    for (auto _ : state) {
        auto contents = PlaylistFile::read(files().utf8);
        benchmark::DoNotOptimize(contents);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_ReadLvx)->Unit(benchmark::kMillisecond);

void BM_ReadGb18030M3u(benchmark::State &state) {
    for (auto _ : state) {
        auto contents = PlaylistFile::read(files().gb);
        benchmark::DoNotOptimize(contents);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_ReadGb18030M3u)->Unit(benchmark::kMillisecond);

// The start-up load as the window does it: read the file, fill the model, fill List1, select
// the start item, and let the shown list lay itself out.
void BM_LoadIntoModelAndList1(benchmark::State &state) {
    QWidget window;
    window.setObjectName(QStringLiteral("frmMain"));
    MainWindowUi ui;
    buildMainWindowWidgets(&window, ui);
    buildMainMenus(&window, ui);
    AppContext ctx{AppPaths(files().dir.path(), {})};
    PlaylistController controller(ctx, ui);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        controller.commands().LoadDefaultPlaylist(files().utf8, 0);
        QApplication::processEvents();
        if (ui.List1->count() != kItems || ui.List1->currentRow() != 42)
            state.SkipWithError("list not filled");
        state.PauseTiming();
        controller.model().clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_LoadIntoModelAndList1)->Unit(benchmark::kMillisecond);

void BM_SaveLvx(benchmark::State &state) {
    const QString path = files().dir.filePath(QStringLiteral("saved.lvx"));
    for (auto _ : state)
        PlaylistFile::write(path, files().items, 42);
    state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_SaveLvx)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
