#pragma once
// The playlist of the main window: the ordered track paths (shown by List1), the selected item
// and the state shared with playback and lyrics. Selecting an item marks it as played in the
// current shuffle cycle; PickRandomTrack picks an unplayed item.
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class PlaylistModel : public QObject {
    Q_OBJECT
public:
    // Returns a uniformly distributed integer in [0, bound); bound >= 1.
    using RandomSource = std::function<uint32_t(uint32_t bound)>;

    explicit PlaylistModel(QObject *parent = nullptr);

    // Items.
    int count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }
    const QStringList &items() const { return m_items; }
    // The item's text, or an empty text for an index out of range.
    QString item(int index) const;

    // Replaces all items; the selection is cleared and PlayedFlags re-created cleared.
    void setItems(const QStringList &items);
    // Appends items; PlayedFlags keeps its entries and gets cleared ones for the new items.
    void append(const QStringList &items);
    void append(const QString &item) { append(QStringList{item}); }
    // Removes one item; the selection is cleared. Out of range does nothing.
    void removeAt(int index);
    // Removes all items and clears the selection.
    void clear();

    // The selected item (List1's selection), -1 when none.
    int selectedIndex() const { return m_selected; }
    QString selectedItem() const { return item(m_selected); }
    // Selects an item and marks it (an index out of range clears the selection, marks nothing).
    void select(int index);

    // PlayedFlags cleared, one entry per item.
    void resetPlayedFlags();
    // Selects a random item not yet played in this cycle; starts a new cycle when all were
    // played (the item played last is never the first pick of the new cycle when there are
    // others). Does nothing on an empty list.
    void PickRandomTrack();
    void setRandomSource(RandomSource source) { m_random = std::move(source); }

    // CurrentIndex := index; CurrentFile := its item; CurrentExt := its extension.
    void setCurrentTrack(int index);
    // Lower-case text after the last "." of a path, "未知" without a ".".
    static QString extensionOf(const QString &path);
    // "曲目列表(共" + count + "首)".
    QString countCaption() const;

    // Shared state of the main window.
    int32_t CurrentIndex = -1;        // loaded track's index, -1 when none
    QString CurrentFile;              // loaded track's path or address
    QString CurrentExt;               // its lower-case extension or "未知"
    std::vector<int32_t> PlayedFlags; // 1 = picked in this shuffle cycle
    int32_t LastPicked = 0;           // 1-based number of the item selected last, 0 = none
    QString PendingFile;              // a dropped file waiting for the add or import command

Q_SIGNALS:
    // All items were replaced (or cleared).
    void itemsReset();
    void itemsAppended(int first, int count);
    void itemRemoved(int index);
    // The selection changed (marking has been done).
    void selectionChanged(int index);
    // Any change of the item count.
    void countChanged(int count);

private:
    void mark(int index);
    // A new shuffle cycle: all flags cleared. Returns false on an empty list.
    bool startCycle();

    QStringList m_items;
    int m_selected = -1;
    RandomSource m_random;
};
