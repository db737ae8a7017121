// The burn commands of the main window: the selection or the playlist in the
// burn dialog.

#include "app/ui/main_window.h"
#include "burning/ui/burn_dialog.h"

namespace tv {

void TForm1::SISelBurnMP3Click() {
    mp3Burn_->StartJob(selection_);
    mp3Burn_->exec();
}

void TForm1::SIPlayBurnMP3Click() {
    mp3Burn_->StartJob(playlist_);
    mp3Burn_->exec();
}

}  // namespace tv
