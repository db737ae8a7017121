#pragma once

// A program folder with a running main window, and the mouse and list helpers
// the window tests share.

#include <QHeaderView>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <string>

#include "widgets/ui/byte_text.h"
#include "app/ui/main_window.h"
#include "catalogue/song_list.h"
#include "catalogue/ui/list_page.h"
#include "catalogue/ui/song_grid.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_folder.h"

namespace tv::test {

inline const std::string kCatalogueCaptions =
    "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\tgespielt\tzuletzt\t"
    "Image\t\r\n";
inline const std::string kCopyCaptions =
    "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\t\r\n";

inline std::string CatalogueLine(const std::string& title, const std::string& file) {
    return title + "\tArtist\t03:07\tAlbum\tRock\t1999\t128\t" + file + "\t\t\t\t\t\r\n";
}
inline std::string CopyLine(const std::string& title, const std::string& file) {
    return title + "\tArtist\t03:07\tAlbum\tRock\t1999\t128\t" + file + "\t\t\r\n";
}

// A program folder with a running main window.
struct Program {
    TempFolder folder;
    ScriptedPrompts prompts;
    std::unique_ptr<TForm1> form;

    void Start() {
        form = std::make_unique<TForm1>(folder.Path(), prompts);
        form->show();
        QTRY_VERIFY_WITH_TIMEOUT(form->IsStartedUp(), 10000);
    }
    bool Close() {
        const bool closed = form->close();
        if (closed) form.reset();
        return closed;
    }
    std::string File(std::string_view name) const { return ReadBytes(folder / name); }
};

inline void ClickRow(SongGrid* grid, int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect rect = grid->visualRect(grid->model()->index(row - 1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, rect.center());
}

inline void SelectRows(SongGrid* grid, int top, int bottom) {
    ClickRow(grid, top);
    if (bottom != top) ClickRow(grid, bottom, Qt::ShiftModifier);
}

inline void PressHeader(SongGrid* grid, int column) {
    QHeaderView* header = grid->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

inline QToolButton* BarButton(ListPage* page, const QString& caption) {
    for (QToolButton* button : page->ButtonBar()->findChildren<QToolButton*>())
        if (button->text() == caption) return button;
    return nullptr;
}

inline QStringList Column(const SongList& list, int column) {
    QStringList texts;
    for (int r = 1; r <= list.DataRowCount(); ++r)
        texts << ToQString(list.Cell(r, column));
    return texts;
}

}  // namespace tv::test
