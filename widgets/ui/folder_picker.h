#pragma once

#include <QString>

class QWidget;

namespace tv {

class Prompts;

// The program's folder chooser: file-system folders only, with folder
// preselected when it names an existing folder (otherwise it becomes empty), and
// no way of making a new folder unless allowNewFolder. On confirmation folder
// becomes the chosen folder and the result is true; on cancel folder keeps its
// (possibly emptied) text. The chooser cannot show files, so includeFiles and
// showEditBox change nothing; root, when given, is where browsing starts if folder
// is empty.
bool BrowseForFolder(Prompts& prompts, QWidget* parent, const QString& title, const QString& root,
                     QString& folder, bool showEditBox, bool includeFiles, bool allowNewFolder);

}  // namespace tv
