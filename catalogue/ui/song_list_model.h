#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include "catalogue/song_list.h"

namespace tv {

// A table model over a SongList without items of its own: model row r shows data
// row r + 1, the header shows row 0. It follows every change of the list.
class SongListModel final : public QAbstractTableModel, private SongListObserver {
    Q_OBJECT
  public:
    explicit SongListModel(SongList& list, QObject* parent = nullptr);
    ~SongListModel() override;

    SongList& List() noexcept { return list_; }
    const SongList& List() const noexcept { return list_; }

    // Colours of the header row.
    void SetHeaderColours(const QColor& background, const QColor& text);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  signals:
    // The list's current row or selected range was changed by the core.
    void ListCursorChanged();

  private:
    void BeginReset() override;
    void EndReset() override;
    void BeginAppendRows(int first, int last) override;
    void EndAppendRows() override;
    void BeginRemoveRows(int first, int last) override;
    void EndRemoveRows() override;
    void BeginAppendColumns(int first, int last) override;
    void EndAppendColumns() override;
    void BeginReorder() override;
    void EndReorder() override;
    void RowsChanged(int first, int last) override;
    void CursorChanged() override;

    SongList& list_;
    QColor headerBackground_;
    QColor headerText_;
};

}  // namespace tv
