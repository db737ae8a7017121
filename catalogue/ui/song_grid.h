#pragma once

#include <QTableView>

#include "catalogue/song_list.h"

namespace tv {

class SongListModel;

// The view of one list: whole rows selected in one consecutive range, 18-pixel
// rows, grid lines, no editing in place. It keeps the list's current row and
// selected range in step with the view, handles the clipboard keys, and reports
// header presses, the Delete key, double clicks and the context menu to its owner.
class SongGrid : public QTableView {
    Q_OBJECT
  public:
    SongGrid(SongListModel* model, QWidget* parent = nullptr);

    SongList& List() const;

    // The last column sorted by a header press, plus one (0 = none).
    int Tag() const noexcept { return tag_; }
    void SetTag(int tag) noexcept { tag_ = tag; }

    void SetHeaderPressReported(bool on) noexcept { headerPressReported_ = on; }
    void SetDeleteKeyReported(bool on) noexcept { deleteKeyReported_ = on; }

    // Header colours (the tab colours).
    void SetHeaderColours(const QColor& background, const QColor& text);

    // Shows the list's current row and selected range.
    void ShowListCursor();
    // Makes a data row the list's current row and only selected row, and scrolls
    // it into view (without reporting it as a row the user chose).
    void ShowRow(int row);

  signals:
    // A row became current by mouse or keyboard (data row number).
    void RowMadeCurrent(int row);
    void RowDoubleClicked(int row);
    void HeaderPressed(int column);
    void DeleteKeyReleased();
    void ContextMenuWanted(const QPoint& globalPosition);

  public slots:
    // No jumping to rows by typing their first letters.
    void keyboardSearch(const QString& search) override;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;  // a new font widens the columns

  private:
    // Marks the handling of one mouse or key event of the user.
    class InputScope {
      public:
        explicit InputScope(int& depth) : depth_(depth) { ++depth_; }
        ~InputScope() { --depth_; }
        InputScope(const InputScope&) = delete;
        InputScope& operator=(const InputScope&) = delete;

      private:
        int& depth_;
    };
    bool FromUserInput() const noexcept;
    void TakeViewCursor();
    void ApplyColumnWidths(int first, int last);
    void CopySelection();
    void CutSelection();
    void PasteIntoSelection();

    SongListModel* model_;
    int tag_ = 0;
    bool headerPressReported_ = true;
    bool deleteKeyReported_ = true;
    bool showingListCursor_ = false;
    int userInput_ = 0;
};

}  // namespace tv
