#include "catalogue/ui/song_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "catalogue/list_file.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/song_list_model.h"
#include "widgets/ui/windows_colour.h"

namespace tv {

SongGrid::SongGrid(SongListModel* model, QWidget* parent) : QTableView(parent), model_(model) {
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setToolTip(QStringLiteral("Rechte Maustaste für das Menü"));
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Small type, as the narrow columns ("Zeit", "Jahr") were made for; texts are
    // cut at the cell border rather than shortened with an ellipsis.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    horizontalHeader()->setFont(small);
    setTextElideMode(Qt::ElideNone);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(18);
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    ApplyColumnWidths(0, model->columnCount() - 1);

    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, ActiveCaptionColour());
    colours.setColor(QPalette::HighlightedText, Qt::white);
    colours.setColor(QPalette::Inactive, QPalette::Highlight, ActiveCaptionColour());
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    setPalette(colours);

    connect(horizontalHeader(), &QHeaderView::sectionPressed, this, [this](int column) {
        if (headerPressReported_) emit HeaderPressed(column);
    });
    connect(model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) { ApplyColumnWidths(first, last); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        ApplyColumnWidths(0, model_->columnCount() - 1);
        ShowListCursor();
    });
    connect(model, &QAbstractItemModel::layoutChanged, this, &SongGrid::ShowListCursor);
    connect(model, &SongListModel::ListCursorChanged, this, &SongGrid::ShowListCursor);
    // Only the user moves the list's cursor through the view: when rows are
    // removed or the model is reset, the view follows the list instead.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!FromUserInput() || !current.isValid()) return;
                TakeViewCursor();
                emit RowMadeCurrent(current.row() + 1);
            });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (FromUserInput()) TakeViewCursor();
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit RowDoubleClicked(index.row() + 1);
    });
    ShowListCursor();
}

SongList& SongGrid::List() const {
    return model_->List();
}

void SongGrid::ApplyColumnWidths(int first, int last) {
    // The stored widths, widened where the German caption or a typical value
    // ("09.12.2026" for "zuletzt") would not fit in the font shown.
    const auto sample = [](int column) -> QString {
        switch (column) {
            case colTime: return QStringLiteral("00:00");
            case colYear: return QStringLiteral("0000");
            case colBitrate: return QStringLiteral("000");
            case colPlayCount: return QStringLiteral("0000");
            case colLastPlayed: return QStringLiteral("00.00.0000");
            default: return {};
        }
    };
    const QFontMetrics cells(font());
    const QFontMetrics captions(horizontalHeader()->font());
    constexpr int kPadding = 14;  // the cell's margins and the header's sort arrow room
    for (int column = first; column <= last; ++column) {
        const QString caption = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int needed = std::max(cells.horizontalAdvance(sample(column)),
                                    captions.horizontalAdvance(caption)) +
                           kPadding;
        setColumnWidth(column, std::max(SongColumnWidth(column), needed));
    }
}

void SongGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) ApplyColumnWidths(0, model_->columnCount() - 1);
}

void SongGrid::SetHeaderColours(const QColor& background, const QColor& text) {
    model_->SetHeaderColours(background, text);
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; color: %2; "
                       "border: 1px solid %3; padding: 0 1px; }")
            .arg(background.name(), text.name(), background.darker(130).name()));
}

// The view's current row and selection become the list's.
void SongGrid::TakeViewCursor() {
    SongList& list = List();
    const QModelIndex current = currentIndex();
    int top = current.isValid() ? current.row() + 1 : list.CurrentRow();
    int bottom = top;
    const QItemSelection selection = selectionModel()->selection();
    if (!selection.isEmpty()) {
        top = selection.front().top() + 1;
        bottom = selection.front().bottom() + 1;
        for (const QItemSelectionRange& range : selection) {
            top = std::min(top, range.top() + 1);
            bottom = std::max(bottom, range.bottom() + 1);
        }
    }
    const QSignalBlocker blocker(model_);  // the view shows this already
    list.SetCurrentRow(current.isValid() ? current.row() + 1 : top);
    list.SetSelection(top, bottom);
}

void SongGrid::ShowListCursor() {
    const SongList& list = List();
    if (model_->rowCount() == 0 || model_->columnCount() == 0) return;
    showingListCursor_ = true;
    const int column = std::max(0, currentIndex().column());
    const QModelIndex current = model_->index(list.CurrentRow() - 1, column);
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    const QItemSelection range(
        model_->index(list.SelectionTop() - 1, 0),
        model_->index(list.SelectionBottom() - 1, model_->columnCount() - 1));
    selectionModel()->select(range,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    showingListCursor_ = false;
}

void SongGrid::ShowRow(int row) {
    SongList& list = List();
    list.SetCurrentRow(row);
    list.SetSelection(list.CurrentRow(), list.CurrentRow());
    ShowListCursor();
    scrollTo(model_->index(list.CurrentRow() - 1, std::max(0, currentIndex().column())));
}

bool SongGrid::FromUserInput() const noexcept {
    return userInput_ > 0 && !showingListCursor_;
}

void SongGrid::keyboardSearch(const QString&) {
    // Typing letters does not jump to rows.
}

void SongGrid::mousePressEvent(QMouseEvent* event) {
    // The right button only opens the context menu: the selected range stays as it
    // is, so the menu acts on it.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QModelIndex pressed = indexAt(event->position().toPoint());
    const int rowBefore = currentIndex().row();
    {
        const InputScope scope(userInput_);
        QTableView::mousePressEvent(event);
    }
    // A click on the row that is current already fills the panel from it too.
    if (pressed.isValid() && pressed.row() == rowBefore && currentIndex().row() == rowBefore &&
        !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        emit RowMadeCurrent(pressed.row() + 1);
}

void SongGrid::mouseMoveEvent(QMouseEvent* event) {
    const InputScope scope(userInput_);
    QTableView::mouseMoveEvent(event);
}

void SongGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const InputScope scope(userInput_);
    QTableView::mouseReleaseEvent(event);
}

void SongGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const InputScope scope(userInput_);
    QTableView::mouseDoubleClickEvent(event);
}

void SongGrid::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Insert && modifiers == Qt::ControlModifier) {
        CopySelection();
        return;
    }
    if (event->key() == Qt::Key_Delete && modifiers == Qt::ShiftModifier) {
        CutSelection();
        return;
    }
    if (event->key() == Qt::Key_Insert && modifiers == Qt::ShiftModifier) {
        PasteIntoSelection();
        return;
    }
    const InputScope scope(userInput_);
    QTableView::keyPressEvent(event);
}

void SongGrid::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && !event->isAutoRepeat() && deleteKeyReported_) {
        emit DeleteKeyReleased();
        return;
    }
    QTableView::keyReleaseEvent(event);
}

void SongGrid::contextMenuEvent(QContextMenuEvent* event) {
    emit ContextMenuWanted(event->globalPos());
    event->accept();
}

void SongGrid::CopySelection() {
    const SongList& list = List();
    QApplication::clipboard()->setText(
        QString::fromStdString(FormatRowsText(list, list.SelectionTop(), list.SelectionBottom())));
}

void SongGrid::CutSelection() {
    CopySelection();
    SongList& list = List();
    ClearRows(list, list.SelectionTop(), list.SelectionBottom());
}

void SongGrid::PasteIntoSelection() {
    SongList& list = List();
    PasteRowsText(list, QApplication::clipboard()->text().toStdString(), list.SelectionTop(),
                  list.SelectionBottom());
}

}  // namespace tv
