#include "playlist/playlist_model.h"

#include <QRandomGenerator>

PlaylistModel::PlaylistModel(QObject *parent)
    : QObject(parent),
      m_random([](uint32_t bound) { return QRandomGenerator::global()->bounded(bound); }) {}

QString PlaylistModel::item(int index) const {
    return index >= 0 && index < count() ? m_items.at(index) : QString();
}

void PlaylistModel::setItems(const QStringList &items) {
    m_items = items;
    m_selected = -1;
    resetPlayedFlags();
    Q_EMIT itemsReset();
    Q_EMIT countChanged(count());
}

void PlaylistModel::append(const QStringList &items) {
    if (items.isEmpty()) return;
    const int first = count();
    m_items.append(items);
    PlayedFlags.resize(size_t(count()), 0);
    Q_EMIT itemsAppended(first, int(items.size()));
    Q_EMIT countChanged(count());
}

void PlaylistModel::removeAt(int index) {
    if (index < 0 || index >= count()) return;
    m_items.removeAt(index);
    m_selected = -1;
    resetPlayedFlags();
    Q_EMIT itemRemoved(index);
    Q_EMIT countChanged(count());
}

void PlaylistModel::clear() {
    setItems({});
}

void PlaylistModel::select(int index) {
    if (index < 0 || index >= count()) index = -1;
    const bool changed = index != m_selected;
    m_selected = index;
    if (index >= 0) mark(index);
    if (changed) Q_EMIT selectionChanged(index);
}

void PlaylistModel::resetPlayedFlags() {
    PlayedFlags.assign(size_t(count()), 0);
}

bool PlaylistModel::startCycle() {
    PlayedFlags.clear();
    if (isEmpty()) return false;
    resetPlayedFlags();
    return true;
}

void PlaylistModel::mark(int index) {
    // A cycle started by a selection begins with the selected item: holding back the item
    // selected before would keep it out of the whole cycle.
    if (PlayedFlags.size() <= size_t(index) && !startCycle()) return;
    PlayedFlags[size_t(index)] = 1;
    LastPicked = index + 1;
}

void PlaylistModel::PickRandomTrack() {
    const int n = count();
    if (n == 0) {
        PlayedFlags.clear();
        return;
    }
    auto firstFree = [this, n](int from) {
        for (int i = from; i < n; ++i)
            if (PlayedFlags[size_t(i)] == 0) return i;
        for (int i = 0; i < from; ++i)
            if (PlayedFlags[size_t(i)] == 0) return i;
        return -1;
    };
    auto draw = [this, n] { return int(m_random(uint32_t(n)) % uint32_t(n)); };

    int pick = PlayedFlags.size() >= size_t(n) ? firstFree(draw()) : -1;
    if (pick < 0) {
        startCycle();
        // The track just played is only kept from being the first pick of the new cycle; it
        // is still played once in the cycle like every other item.
        const int heldBack = n > 1 && LastPicked >= 1 && LastPicked <= n ? LastPicked - 1 : -1;
        if (heldBack >= 0) PlayedFlags[size_t(heldBack)] = 1;
        pick = firstFree(draw());
        if (heldBack >= 0) PlayedFlags[size_t(heldBack)] = 0;
    }
    select(pick);
}

void PlaylistModel::setCurrentTrack(int index) {
    CurrentIndex = index;
    CurrentFile = item(index);
    CurrentExt = extensionOf(CurrentFile);
}

QString PlaylistModel::extensionOf(const QString &path) {
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return QStringLiteral("未知");
    return path.mid(dot + 1).toLower();
}

QString PlaylistModel::countCaption() const {
    return QStringLiteral("曲目列表(共%1首)").arg(count());
}
