#include "widgets/ui/folder_picker.h"

#include <QFileInfo>

#include "widgets/ui/prompts.h"

namespace tv {

bool BrowseForFolder(Prompts& prompts, QWidget* parent, const QString& title, const QString& root,
                     QString& folder, bool /*showEditBox*/, bool /*includeFiles*/,
                     bool allowNewFolder) {
    if (!QFileInfo(folder).isDir()) folder.clear();
    const QString start = folder.isEmpty() ? root : folder;
    const auto chosen = prompts.ChooseFolder(parent, title, start, allowNewFolder);
    if (!chosen || chosen->isEmpty()) return false;
    folder = *chosen;
    return true;
}

}  // namespace tv
