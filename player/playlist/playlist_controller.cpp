#include "playlist/playlist_controller.h"

#include "widgets/xp_button.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

PlaylistController::PlaylistController(AppContext &ctx, MainWindowUi &ui, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_commands(ctx, m_model) {
    bindList();
    bindCommands();
    fillContextMenu();
    updateCaption();
    updateToolTip();
}

void PlaylistController::loadAtStartup() {
    const QString commandLine = m_ctx.commandLineConsumed ? QString() : m_ctx.startupCommandLine;
    m_commands.LoadDefaultPlaylist(commandLine, m_ctx.settings.CurrentIndex);
    updateCaption();
}

void PlaylistController::bindList() {
    QListWidget *list = m_ui.List1;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->setDragDropMode(QAbstractItemView::DropOnly);
    list->viewport()->installEventFilter(this);
    list->setMouseTracking(true);

    connect(&m_model, &PlaylistModel::itemsReset, this, [this] {
        const QSignalBlocker block(m_ui.List1);
        m_ui.List1->clear();
        m_ui.List1->addItems(m_model.items());
        showSelection(m_model.selectedIndex());
    });
    connect(&m_model, &PlaylistModel::itemsAppended, this, [this](int first, int count) {
        const QSignalBlocker block(m_ui.List1);
        m_ui.List1->addItems(m_model.items().mid(first, count));
    });
    connect(&m_model, &PlaylistModel::itemRemoved, this, [this](int index) {
        {
            const QSignalBlocker block(m_ui.List1);
            delete m_ui.List1->takeItem(index);
        }
        showSelection(m_model.selectedIndex());
    });
    connect(&m_model, &PlaylistModel::selectionChanged, this, &PlaylistController::showSelection);
    connect(&m_model, &PlaylistModel::countChanged, this, &PlaylistController::updateCaption);

    // The user's selection (mouse, keys) marks the item like a selection made by code.
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_syncing) m_model.select(row);
    });
    // Emitted once the list has moved its selection to the pressed item, and before the
    // double click that may follow: a press never acts after the double click's playback.
    connect(list, &QListWidget::itemPressed, this, [this] { m_commands.listPressed(); });
    connect(list, &QListWidget::itemDoubleClicked, this, [this] {
        m_ui.List1->setEnabled(false);
        Q_EMIT playSelectedRequested();
        m_ui.List1->setEnabled(true);
    });
}

void PlaylistController::bindCommands() {
    PlaylistCommands *c = &m_commands;
    const std::pair<const char *, void (PlaylistCommands::*)()> actions[] = {
        {"mnuAdd", &PlaylistCommands::mnuAdd},
        {"mnuAdd2", &PlaylistCommands::mnuAdd2},
        {"mnuListIn", &PlaylistCommands::ImportPlaylist},
        {"mnuListSa", &PlaylistCommands::ExportPlaylist},
        {"mnuDelete", &PlaylistCommands::mnuDelete},
        {"mnuDeleteAll", &PlaylistCommands::mnuDeleteAll},
        {"mnuListUp", &PlaylistCommands::mnuListUp},
        {"mnuListDown", &PlaylistCommands::mnuListDown},
    };
    for (const auto &[name, command] : actions)
        if (QAction *a = m_ui.action(name)) connect(a, &QAction::triggered, c, command);
    const std::pair<int, void (PlaylistCommands::*)()> buttons[] = {
        {9, &PlaylistCommands::mnuAdd},
        {10, &PlaylistCommands::mnuListUp},
        {11, &PlaylistCommands::mnuListDown},
        {14, &PlaylistCommands::mnuDelete},
    };
    for (const auto &[index, command] : buttons)
        if (XPButton *b = m_ui.XPButton[size_t(index)]) connect(b, &XPButton::clicked, c, command);

    connect(c, &PlaylistCommands::loadTrackRequested, this,
            &PlaylistController::loadTrackRequested);
    connect(c, &PlaylistCommands::noLyricsFileWritten, this,
            &PlaylistController::noLyricsFileWritten);
    connect(c, &PlaylistCommands::recoveryStarted, this, [this] {
        for (int t : {1, 2, 9, 3, 4})
            if (QTimer *timer = m_ui.Timer[size_t(t)]) timer->stop();
    });
}

void PlaylistController::fillContextMenu() {
    QMenu *menu = m_ui.Popmnu[4];
    if (!menu) return;
    menu->clear();
    auto add = [menu](const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    // Items whose command lives elsewhere run the main menu's twin, so that its owner needs
    // to connect only once.
    auto twin = [this](QAction *item, const char *mainName) {
        connect(item, &QAction::triggered, this, [this, mainName] {
            if (QAction *main = m_ui.action(mainName)) main->trigger();
        });
    };
    connect(add("PopPlaySelct", QStringLiteral("播放选中的曲目")), &QAction::triggered, this,
            &PlaylistController::playSelectedRequested);
    menu->addSeparator();
    connect(add("PopAddFile", QStringLiteral("添加曲目[本地]")), &QAction::triggered, &m_commands,
            &PlaylistCommands::mnuAdd);
    connect(add("PopAddLink", QStringLiteral("添加曲目[网络]")), &QAction::triggered, &m_commands,
            &PlaylistCommands::mnuAdd2);
    menu->addSeparator();
    connect(add("PopDelete", QStringLiteral("删除选中的曲目")), &QAction::triggered, &m_commands,
            &PlaylistCommands::mnuDelete);
    connect(add("PopDeleteAll", QStringLiteral("删除所有的曲目")), &QAction::triggered, &m_commands,
            &PlaylistCommands::mnuDeleteAll);
    menu->addSeparator();
    // The lyrics side connects to this item by its name.
    add("PopNotLRC4", QStringLiteral("设置选中的曲目不用歌词"));
    twin(add("PopSearch2", QStringLiteral("百度MP3搜索")), "mnuSearch2");
    menu->addSeparator();
    connect(add("PopListIn", QStringLiteral("导入播放列表")), &QAction::triggered, &m_commands,
            &PlaylistCommands::ImportPlaylist);
    connect(add("PopListSa", QStringLiteral("导出播放列表")), &QAction::triggered, &m_commands,
            &PlaylistCommands::ExportPlaylist);
}

void PlaylistController::showSelection(int index) {
    QListWidget *list = m_ui.List1;
    if (list->currentRow() != index || (index >= 0 && !list->item(index)->isSelected())) {
        m_syncing = true;
        if (index < 0) {
            list->clearSelection();
            list->setCurrentRow(-1);
        } else {
            list->setCurrentRow(index);
            list->scrollToItem(list->item(index));
        }
        m_syncing = false;
    }
    updateToolTip();
}

void PlaylistController::updateCaption() {
    m_ui.Frame1->setTitle(m_model.countCaption());
}

void PlaylistController::updateToolTip() {
    const int selected = m_model.selectedIndex();
    m_ui.List1->setToolTip(QStringLiteral("当前列表选中曲目【") +
                           (selected >= 0 ? m_model.item(selected) : QStringLiteral("未选择")) +
                           QStringLiteral("】"));
}

QStringList PlaylistController::droppedFiles(const QMimeData *mime) const {
    QStringList files;
    if (!mime) return files;
    for (const QUrl &url : mime->urls())
        files << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    return files;
}

bool PlaylistController::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_ui.List1->viewport()) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (drag->mimeData() && drag->mimeData()->hasUrls()) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // The drop's questions are modal: answer them after the drag has finished.
        QMetaObject::invokeMethod(
            this, [this, files] { m_commands.dropFiles(files); }, Qt::QueuedConnection);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton && m_ui.Popmnu[4]) {
            m_ui.Popmnu[4]->popup(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            return true;
        }
        return false;
    default:
        return false;
    }
}
