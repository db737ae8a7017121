#pragma once

#include <QColor>
#include <QIcon>

namespace tv {

// The pictures of the program's buttons, drawn in one colour so that they stay
// visible on the coloured button bars.
enum class Glyph {
    DeleteRows,
    SelectAll,
    AddToPlaylist,
    Information,
    AutoAdd,
    Browse,
    BurnDisc,
    Export,
    Search,
    Orphans,
    Doubles,
    PlaylistOpen,
    PlaylistSave,
    Random,
    Player,
    CopyToFolder,
    DeleteFiles,
    Cover,
    Scan,
};

QIcon GlyphIcon(Glyph glyph, const QColor& colour, int size = 24);

}  // namespace tv
