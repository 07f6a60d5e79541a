#include "app/main_menus.h"

#include "shell/main_window_ui.h"

#include <QMenu>
#include <vector>

namespace {

// One line of a menu: depth 0 items belong to the menu itself, depth 1 to the last submenu
// opened at depth 0, and so on. A null name is a separator; `twin` names the main-menu item a
// context-menu item runs.
struct Item {
    int depth;
    const char *name;
    const char *caption;
    const char *twin = nullptr;
    bool submenu = false;
};

#define SEP(d)                                                                                     \
    { d, nullptr, nullptr }
#define SUB(d, n, c)                                                                               \
    { d, n, c, nullptr, true }

const std::vector<Item> kMainMenu = {
    SUB(0, "mnuFile", "文件(&F)"),
    {1, "mnuAdd", "添加曲目到列表[本地](&A)"},
    {1, "mnuAdd2", "添加曲目到列表[网络](&B)"},
    SEP(1),
    {1, "mnuSearch2", "百度MP3搜索(&M)"},
    SEP(1),
    {1, "mnuListIn", "导入播放列表(&I)"},
    {1, "mnuListSa", "导出播放列表(&O)"},
    SEP(1),
    {1, "mnuOpenLRC", "查找/替换歌词[本地](&L)"},
    {1, "mnuOpenLRC2", "模糊查找/替换歌词[联网](&W)"},
    {1, "mnuSearch1", "LRC歌词搜索下载站(&S)"},
    {1, "mnuReOpenLRC", "重新装载歌词(&R)"},
    SEP(1),
    {1, "mnuFileInfo", "当前加载曲目属性(&P)"},
    SEP(1),
    {1, "mnuExit", "退出程序(&E)"},
    SUB(0, "mnuEdit", "编辑(&E)"),
    {1, "mnuDelete", "删除列表中选中曲目(&D)"},
    {1, "mnuDeleteAll", "删除列表中所有曲目(&C)"},
    SEP(1),
    {1, "mnuDelLRC", "删除当前曲目默认歌词(&R)"},
    {1, "mnuNotLRC", "设置当前曲目不用歌词(&N)"},
    {1, "mnuEditLRC", "编辑修改当前曲目歌词(&W)"},
    SUB(0, "mnuView", "查看(&V)"),
    {1, "mnuListUp", "向上查看列表曲目(&U)"},
    {1, "mnuListDown", "向下查看列表曲目(&N)"},
    SEP(1),
    {1, "mnuFull", "影像全屏(&F)"},
    SEP(1),
    {1, "mnuShowPic", "显示图片(&X)"},
    {1, "mnuOpenPic", "查找/替换封面图片(&P)"},
    {1, "mnuSearch3", "百度图片搜索(I)"},
    SEP(1),
    {1, "mnuShowVolumeB", "关闭录音音量显示(&M)"},
    {1, "mnuShowVisualS", "关闭可视化效果(&E)"},
    SUB(1, "mnuSelVisualN", "可视化效果选择(&S)"),
    {2, "mnuSelVisual0", "随机[默认](&0)"},
    SEP(2),
    {2, "mnuSelVisual1", "波形(&1)"},
    {2, "mnuSelVisual2", "激光(&2)"},
    {2, "mnuSelVisual3", "火焰(&3)"},
    SEP(2),
    {2, "mnuSelVisual4", "水波(&4)"},
    {2, "mnuSelVisual5", "双线(&5)"},
    {2, "mnuSelVisual6", "数字(&6)"},
    {2, "mnuSelVisual7", "变幻(&7)"},
    {2, "mnuSelVisual8", "交叉(&8)"},
    {2, "mnuSelVisual9", "霓织(&9)"},
    SEP(1),
    SUB(1, "mnuLrcVS", "歌词显示模式(&L)"),
    {2, "mnuLrcVS0", "文本框模式(&0)"},
    {2, "mnuLrcVS1", "可视化效果(&1)"},
    {2, "mnuLrcVS2", "图片背景(&2)"},
    SEP(2),
    {2, "mnuLrcVSH", "歌词全屏(&H)"},
    SUB(2, "mnuLrcScreen", "歌词全屏显示器"),
    SUB(0, "mnuControl", "控制(&C)"),
    {1, "mnuPlayPause", "播放/暂停(&P)"},
    {1, "mnuStop", "停止(&S)"},
    SEP(1),
    {1, "mnuPrevious", "播放上一曲(&V)"},
    {1, "mnuNext", "播放下一曲(&N)"},
    SEP(1),
    {1, "mnuPlaySelct", "播放列表中选中的曲目(&D)"},
    SEP(1),
    {1, "mnuLrcSt", "歌词移动开始/暂停(&M)"},
    SUB(0, "mnuTools", "工具(&T)"),
    {1, "mnuRemoveVocal", "消减原唱歌曲中的人声(&K)"},
    {1, "mnuShifting", "改变当前曲目的音调(&L)"},
    SEP(1),
    {1, "mnuKeyUp", "升高半音(&U)"},
    {1, "mnuKeyDown", "降低半音(&W)"},
    {1, "mnuKeyReset", "恢复原调(&O)"},
    SEP(1),
    {1, "mnuOffsetA", "歌词时间补偿<+50ms>(&A)"},
    {1, "mnuOffsetD", "歌词时间补偿<-50ms>(&D)"},
    SEP(1),
    {1, "mnuStartRec", "录音(&R)"},
    {1, "mnuPlayRec", "回放录音(&P)"},
    {1, "mnuStopRecPlay", "停止录音或回放(&S)"},
    SEP(1),
    SUB(1, "mnuConvType", "文件格式类型转换(&C)"),
    {2, "mnuTools1", "WAV转MP3"},
    {2, "mnuTools2", "MP3转WAV"},
    SUB(0, "mnuSetup", "设置(&S)"),
    {1, "mnuMoreSetup", "设置选项(&O)"},
    SEP(1),
    {1, "mnuSNDVOL", "系统声音控制(&V)"},
    SEP(1),
    SUB(1, "mnuSkins", "界面皮肤(&F)"),
    {2, "mnuSkinsRe", "查找替换(&R)"},
    SEP(2),
    {2, "mnuSkinsDe", "恢复默认(&D)"},
    SEP(1),
    {1, "mnuFileShell", "文件关联(&C)"},
    SUB(0, "mnuHelp", "帮助(&H)"),
    {1, "mnuHelpContents", "帮助内容(&C)"},
    SEP(1),
    {1, "mnuWebLink", "Lyravox 网站(&W)"},
    SEP(1),
    {1, "mnuHelpAbout", "关于(&A) ..."},
};

const std::vector<Item> kLyricMenu = {
    {0, "PopOpenLRC", "查找/替换歌词[本地]", "mnuOpenLRC"},
    {0, "PopOpenLRC2", "模糊查找/替换歌词[联网]", "mnuOpenLRC2"},
    {0, "PopSearch1", "LRC歌词搜索下载站", "mnuSearch1"},
    {0, "PopReOpenLRC", "重新装载歌词", "mnuReOpenLRC"},
    SEP(0),
    {0, "PopDelLRC", "删除当前曲目默认歌词", "mnuDelLRC"},
    {0, "PopNotLRC", "设置当前曲目不用歌词", "mnuNotLRC"},
    {0, "PopEditLRC", "编辑修改当前曲目歌词", "mnuEditLRC"},
    SEP(0),
    SUB(0, "PopLrcVS", "歌词显示模式"),
    {1, "PopLrcVS0", "文本框模式", "mnuLrcVS0"},
    {1, "PopLrcVS1", "可视化效果", "mnuLrcVS1"},
    {1, "PopLrcVS2", "图片背景", "mnuLrcVS2"},
    SEP(0),
    {0, "PopLrcVSH", "歌词全屏", "mnuLrcVSH"},
};

const std::vector<Item> kCoverMenu = {
    {0, "PopOpenPic", "查找/替换封面图片", "mnuOpenPic"},
    {0, "PopSearch3", "百度图片搜索", "mnuSearch3"},
    SEP(0),
    {0, "PopShowVisualS2", "打开可视化效果", "mnuShowVisualS"},
};

const std::vector<Item> kLevelMenu = {
    {0, "PopShowVolumeB", "关闭录音音量显示", "mnuShowVolumeB"},
    SEP(0),
    {0, "PopSNDVOL", "系统声音控制", "mnuSNDVOL"},
};

const std::vector<Item> kDownloadMenu = {
    {0, "PopDownLrc5", "立即下载选中的歌词"},
    SEP(0),
    {0, "PopOpenLRC5", "继续模糊查找歌词", "mnuOpenLRC2"},
    SEP(0),
    {0, "PopNotLRC5", "设置当前曲目不用歌词", "mnuNotLRC"},
    SEP(0),
    {0, "PopReOpenLRC5", "重新装载歌词", "mnuReOpenLRC"},
};

const std::vector<Item> kVisualMenu = {
    {0, "PopShowVisualS", "关闭可视化效果", "mnuShowVisualS"},
    SUB(0, "PopSelVisualN", "可视化效果选择"),
    {1, "PopSelVisual0", "随机[默认]", "mnuSelVisual0"},
    SEP(1),
    {1, "PopSelVisual1", "波形", "mnuSelVisual1"},
    {1, "PopSelVisual2", "激光", "mnuSelVisual2"},
    {1, "PopSelVisual3", "火焰", "mnuSelVisual3"},
    SEP(1),
    {1, "PopSelVisual4", "水波", "mnuSelVisual4"},
    {1, "PopSelVisual5", "双线", "mnuSelVisual5"},
    {1, "PopSelVisual6", "数字", "mnuSelVisual6"},
    {1, "PopSelVisual7", "变幻", "mnuSelVisual7"},
    {1, "PopSelVisual8", "交叉", "mnuSelVisual8"},
    {1, "PopSelVisual9", "霓织", "mnuSelVisual9"},
    SEP(0),
    {0, "PopSNDVOL6", "系统声音控制", "mnuSNDVOL"},
};

#undef SEP
#undef SUB

QMenu *fill(QWidget *owner, QMenu *root, const std::vector<Item> &items,
            std::vector<std::pair<QAction *, const char *>> &twins) {
    std::vector<QMenu *> stack{root};
    for (const Item &item : items) {
        stack.resize(size_t(item.depth) + 1);
        QMenu *parent = stack.back();
        if (!item.name) {
            parent->addSeparator();
            continue;
        }
        const QString caption = QString::fromUtf8(item.caption);
        if (item.submenu) {
            QMenu *sub = parent->addMenu(caption);
            sub->setObjectName(QLatin1String(item.name));
            sub->menuAction()->setObjectName(QLatin1String(item.name) + QStringLiteral("Item"));
            stack.push_back(sub);
            continue;
        }
        QAction *a = new QAction(caption, owner);
        a->setObjectName(QLatin1String(item.name));
        parent->addAction(a);
        if (item.twin) twins.emplace_back(a, item.twin);
    }
    return root;
}

} // namespace

void buildMainMenus(QWidget *frmMain, MainWindowUi &ui) {
    std::vector<std::pair<QAction *, const char *>> twins;
    const std::vector<Item> *tables[7] = {&kMainMenu, &kLyricMenu,    &kCoverMenu, &kLevelMenu,
                                          nullptr,    &kDownloadMenu, &kVisualMenu};
    const char *titles[7] = {"主菜单", "", "", "", "", "", ""};
    for (int k = 0; k < 7; ++k) {
        QMenu *menu = new QMenu(QString::fromUtf8(titles[k]), frmMain);
        menu->setObjectName(QStringLiteral("Popmnu%1").arg(k));
        ui.Popmnu[size_t(k)] = menu;
        if (tables[k]) fill(frmMain, menu, *tables[k], twins);
    }
    // "显示图片(&X)" stays checked and is never visible.
    if (QAction *showPic = ui.action("mnuShowPic")) {
        showPic->setCheckable(true);
        showPic->setChecked(true);
        showPic->setVisible(false);
    }
    for (const auto &[pop, twinName] : twins) {
        QAction *twin = ui.action(twinName);
        if (twin) QObject::connect(pop, &QAction::triggered, twin, [twin] { twin->trigger(); });
    }
}
