#pragma once

#include <QDialog>

#include "tools/song_search.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tv {

class CatalogueHost;

// "Suchen": looks for a text in the catalogue and either copies every matching
// row into the selection ("in Auswahl- Fenster") or moves the catalogue's current
// row to the next match ("springe zum Ergebnis"). Created once with the main
// window; each opening keeps the previous text and boxes.
class TFindDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TFindDlg(CatalogueHost& host);

    QLineEdit* EdtFind() const noexcept { return edtFind_; }
    QCheckBox* ChBAll() const noexcept { return chbAll_; }
    QCheckBox* ChBTitel() const noexcept { return fields_[0]; }
    QCheckBox* ChBInter() const noexcept { return fields_[1]; }
    QCheckBox* ChBAlbum() const noexcept { return fields_[2]; }
    QCheckBox* ChBJahr() const noexcept { return fields_[3]; }
    QCheckBox* ChBGenre() const noexcept { return fields_[4]; }
    QCheckBox* ChBFileName() const noexcept { return fields_[5]; }
    QCheckBox* ChBComment() const noexcept { return fields_[6]; }
    QRadioButton* RBOwnWin() const noexcept { return rbOwnWin_; }
    QRadioButton* RBJumpTo() const noexcept { return rbJumpTo_; }
    QPushButton* OKBtn() const noexcept { return okBtn_; }
    QPushButton* CancelBtn() const noexcept { return cancelBtn_; }

    // Set by the main window each time it opens the dialog; the first search in
    // "springe zum Ergebnis" mode starts at row 1 and clears it.
    void SetFirstSearch(bool first) noexcept { firstSearch_ = first; }
    bool FirstSearch() const noexcept { return firstSearch_; }

    void EdtFindChange();
    void ChBAllClick();
    void ChBNotallClick();
    void OKBtnClick();

  private:
    SearchBoxes Boxes() const;
    // Both modes; true when anything was found.
    bool CopyMatches(const std::string& text);
    bool JumpToNextMatch(const std::string& text);

    CatalogueHost& host_;
    QLineEdit* edtFind_;
    QCheckBox* chbAll_;
    QCheckBox* fields_[7];  // Titel, Interpret, Album, Jahr, Genre, Dateiname, Kommentar
    QGroupBox* fieldGroup_;
    QRadioButton* rbOwnWin_;
    QRadioButton* rbJumpTo_;
    QPushButton* okBtn_;
    QPushButton* cancelBtn_;
    bool firstSearch_ = true;
    bool unchecking_ = false;  // the group's guard while "allen Feldern" unchecks
    SongSearch search_;
};

}  // namespace tv
