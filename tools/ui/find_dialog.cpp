#include "tools/ui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "catalogue/ui/catalogue_host.h"
#include "widgets/ui/prompts.h"

namespace tv {

TFindDlg::TFindDlg(CatalogueHost& host)
    : QDialog(host.HostWindow()),
      host_(host),
      edtFind_(new QLineEdit(this)),
      chbAll_(new QCheckBox(QStringLiteral("allen Feldern"), this)),
      fieldGroup_(new QGroupBox(QStringLiteral("suchen in"), this)),
      rbOwnWin_(new QRadioButton(QStringLiteral("in Auswahl- Fenster"), this)),
      rbJumpTo_(new QRadioButton(QStringLiteral("springe zum Ergebnis"), this)),
      okBtn_(new QPushButton(QStringLiteral("&Suchen"), this)),
      cancelBtn_(new QPushButton(QStringLiteral("Beenden"), this)) {
    setObjectName(QStringLiteral("FindDlg"));
    setWindowTitle(QStringLiteral("Suchen"));
    setModal(true);

    edtFind_->setObjectName(QStringLiteral("EdtFind"));
    auto* label = new QLabel(QStringLiteral("Suchbegriff : "), this);
    label->setBuddy(edtFind_);
    chbAll_->setObjectName(QStringLiteral("ChBAll"));
    chbAll_->setChecked(true);

    const char* names[] = {"ChBTitel", "ChBInter",    "ChBAlbum",  "ChBJahr",
                           "ChBGenre", "ChBFileName", "ChBComment"};
    const char* captions[] = {"Titel", "Interpret", "Album",    "Jahr",
                              "Genre", "Dateiname", "Kommentar"};
    auto* fieldLayout = new QGridLayout(fieldGroup_);
    fieldLayout->addWidget(chbAll_, 0, 0, 1, 2);
    for (int i = 0; i < 7; ++i) {
        fields_[i] = new QCheckBox(QString::fromLatin1(captions[i]), fieldGroup_);
        fields_[i]->setObjectName(QString::fromLatin1(names[i]));
        fieldLayout->addWidget(fields_[i], 1 + i / 2, i % 2);
        connect(fields_[i], &QCheckBox::clicked, this, &TFindDlg::ChBNotallClick);
    }
    chbAll_->setParent(fieldGroup_);

    auto* showGroup = new QGroupBox(QStringLiteral("anzeigen"), this);
    rbOwnWin_->setObjectName(QStringLiteral("RBOwnWin"));
    rbJumpTo_->setObjectName(QStringLiteral("RBJumpTo"));
    rbOwnWin_->setChecked(true);
    auto* showLayout = new QVBoxLayout(showGroup);
    showLayout->addWidget(rbOwnWin_);
    showLayout->addWidget(rbJumpTo_);

    okBtn_->setObjectName(QStringLiteral("OKBtn"));
    okBtn_->setEnabled(false);
    okBtn_->setDefault(true);
    cancelBtn_->setObjectName(QStringLiteral("CancelBtn"));

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(label);
    textRow->addWidget(edtFind_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okBtn_);
    buttons->addWidget(cancelBtn_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(textRow);
    layout->addWidget(fieldGroup_);
    layout->addWidget(showGroup);
    layout->addLayout(buttons);

    // Typed letters appear in upper case, as the search compares them.
    connect(edtFind_, &QLineEdit::textEdited, this, [this](const QString& typed) {
        const QString upper = QString::fromStdString(SearchText(typed.toStdString()));
        if (upper == typed) return;
        const int cursor = edtFind_->cursorPosition();
        edtFind_->setText(upper);
        edtFind_->setCursorPosition(cursor);
    });
    connect(edtFind_, &QLineEdit::textChanged, this, &TFindDlg::EdtFindChange);
    connect(chbAll_, &QCheckBox::clicked, this, &TFindDlg::ChBAllClick);
    connect(okBtn_, &QPushButton::clicked, this, &TFindDlg::OKBtnClick);
    connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
}

void TFindDlg::EdtFindChange() {
    okBtn_->setEnabled(!edtFind_->text().isEmpty());
}

void TFindDlg::ChBAllClick() {
    if (!chbAll_->isChecked()) return;
    unchecking_ = true;
    for (QCheckBox* box : fields_) box->setChecked(false);
    unchecking_ = false;
}

void TFindDlg::ChBNotallClick() {
    if (unchecking_) return;
    bool all = true;
    for (const QCheckBox* box : fields_) all = all && box->isChecked();
    chbAll_->setChecked(all);
    if (all) ChBAllClick();
}

SearchBoxes TFindDlg::Boxes() const {
    SearchBoxes boxes;
    boxes.All = chbAll_->isChecked();
    boxes.Title = fields_[0]->isChecked();
    boxes.Artist = fields_[1]->isChecked();
    boxes.Album = fields_[2]->isChecked();
    boxes.Year = fields_[3]->isChecked();
    boxes.Genre = fields_[4]->isChecked();
    boxes.FileName = fields_[5]->isChecked();
    boxes.Comment = fields_[6]->isChecked();
    return boxes;
}

bool TFindDlg::CopyMatches(const std::string& text) {
    SongList& catalogue = host_.Catalogue();
    const std::vector<int> rows = search_.FindAll(catalogue, FieldOf(Boxes()), text,
                                                  catalogue.CurrentRow(), catalogue.DataRowCount());
    for (const int row : rows)
        host_.AppendRowsWithProgress(catalogue, host_.Selection(), row, row, false);
    return !rows.empty();
}

bool TFindDlg::JumpToNextMatch(const std::string& text) {
    SongList& catalogue = host_.Catalogue();
    const int rows = catalogue.DataRowCount();
    int start = 1, count = rows;
    if (firstSearch_) {
        firstSearch_ = false;
    } else {
        // From the row after the current one round to the row before it.
        start = catalogue.CurrentRow() >= rows ? 1 : catalogue.CurrentRow() + 1;
        count = rows - 1;
    }
    const int found = search_.FindFirst(catalogue, FieldOf(Boxes()), text, start, count);
    if (found == 0) return false;
    host_.ShowCatalogueRow(found);
    return true;
}

void TFindDlg::OKBtnClick() {
    const bool copy = rbOwnWin_->isChecked();
    host_.ShowListPage(copy ? ListKind::Selection : ListKind::Catalogue);
    okBtn_->setEnabled(false);
    const std::string text = edtFind_->text().toStdString();
    const bool found = copy ? CopyMatches(text) : JumpToNextMatch(text);
    okBtn_->setEnabled(true);
    if (found) {
        cancelBtn_->setFocus();
        return;
    }
    host_.UserPrompts().Tell(
        this, QStringLiteral("Nicht gefunden!"),
        QStringLiteral("Suchbegriff ") + edtFind_->text() + QStringLiteral(" nicht gefunden!"),
        PromptIcon::Warning);
    edtFind_->setFocus();
}

}  // namespace tv
