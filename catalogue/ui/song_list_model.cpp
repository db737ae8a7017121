#include "widgets/ui/byte_text.h"
#include "catalogue/ui/song_list_model.h"

#include "widgets/ui/windows_colour.h"

namespace tv {

SongListModel::SongListModel(SongList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    list_.SetObserver(this);
}

SongListModel::~SongListModel() {
    list_.SetObserver(nullptr);
}

void SongListModel::SetHeaderColours(const QColor& background, const QColor& text) {
    headerBackground_ = background;
    headerText_ = text;
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

int SongListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.DataRowCount();
}

int SongListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.ColumnCount();
}

QVariant SongListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row() + 1;
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(list_.Cell(row, index.column()));
        case Qt::BackgroundRole:
            if (const RowColour colour = list_.Row(row).Colour) return ColourFromWindows(*colour);
            return {};
        default:
            return {};
    }
}

QVariant SongListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
        case Qt::DisplayRole:
            return ToQString(list_.Cell(0, section));
        case Qt::BackgroundRole:
            return headerBackground_.isValid() ? QVariant(headerBackground_) : QVariant();
        case Qt::ForegroundRole:
            return headerText_.isValid() ? QVariant(headerText_) : QVariant();
        default:
            return {};
    }
}

Qt::ItemFlags SongListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // cells are not edited in place
}

void SongListModel::BeginReset() {
    beginResetModel();
}
void SongListModel::EndReset() {
    endResetModel();
}
void SongListModel::BeginAppendRows(int first, int last) {
    beginInsertRows({}, first - 1, last - 1);
}
void SongListModel::EndAppendRows() {
    endInsertRows();
}
void SongListModel::BeginRemoveRows(int first, int last) {
    beginRemoveRows({}, first - 1, last - 1);
}
void SongListModel::EndRemoveRows() {
    endRemoveRows();
}
void SongListModel::BeginAppendColumns(int first, int last) {
    beginInsertColumns({}, first, last);
}
void SongListModel::EndAppendColumns() {
    endInsertColumns();
}
void SongListModel::BeginReorder() {
    emit layoutAboutToBeChanged();
}
void SongListModel::EndReorder() {
    emit layoutChanged();
}

void SongListModel::RowsChanged(int first, int last) {
    if (first == 0) {
        emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
        if (last == 0) return;
        first = 1;
    }
    emit dataChanged(index(first - 1, 0), index(last - 1, std::max(0, columnCount() - 1)));
}

void SongListModel::CursorChanged() {
    emit ListCursorChanged();
}

}  // namespace tv
