#include "tools/ui/export_dialog.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "catalogue/ui/catalogue_host.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/form_placement.h"
#include "widgets/ui/glyphs.h"
#include "widgets/ui/prompts.h"

namespace tv {

TFrmExport::TFrmExport(CatalogueHost& host)
    : QDialog(host.HostWindow()),
      host_(host),
      rgFormat_(new QButtonGroup(this)),
      edtFileName_(new QLineEdit(this)),
      speedButton1_(new QToolButton(this)),
      btnOK_(new QPushButton(QStringLiteral("OK"), this)),
      btnCancel_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setObjectName(QStringLiteral("FrmExport"));
    setModal(true);

    auto* group = new QGroupBox(QStringLiteral("Format"), this);
    group->setObjectName(QStringLiteral("RGFormat"));
    auto* groupLayout = new QGridLayout(group);
    const char* captions[] = {"CSV Komma", "CSV Semikolon", "HTML"};
    for (int i = 0; i < 3; ++i) {
        formats_[i] = new QRadioButton(QString::fromLatin1(captions[i]), group);
        rgFormat_->addButton(formats_[i], i);
        groupLayout->addWidget(formats_[i], 0, i);  // three columns
    }
    formats_[0]->setChecked(true);

    edtFileName_->setObjectName(QStringLiteral("EdtFileName"));
    edtFileName_->setMinimumWidth(320);
    auto* label = new QLabel(QStringLiteral("Dateiname :"), this);
    label->setBuddy(edtFileName_);
    speedButton1_->setObjectName(QStringLiteral("SpeedButton1"));
    speedButton1_->setIcon(GlyphIcon(Glyph::Browse, palette().color(QPalette::ButtonText)));
    btnOK_->setObjectName(QStringLiteral("BtnOK"));
    btnOK_->setDefault(true);
    btnOK_->setEnabled(false);
    btnCancel_->setObjectName(QStringLiteral("BtnCancel"));

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(label);
    fileRow->addWidget(edtFileName_, 1);
    fileRow->addWidget(speedButton1_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(fileRow);
    layout->addLayout(buttons);

    connect(edtFileName_, &QLineEdit::textChanged, this, &TFrmExport::EdtFileNameChange);
    connect(speedButton1_, &QToolButton::clicked, this, &TFrmExport::SpeedButton1Click);
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The settings file keeps the file name and the format with the position.
    placement_ =
        std::make_unique<FormPlacement>(this, host_.SettingsPath(), QStringLiteral("EXPORT"),
                                        FormPlacement::Parts::PositionSizeState, host_.UserPrompts());
    FormStorage& storage = placement_->Storage();
    storage.AddTextProperty(
        "EdtFileName.Text", [this] { return BytesFromQString(edtFileName_->text()); },
        [this](const std::string& text) { edtFileName_->setText(QStringFromBytes(text)); },
        FormStorage::TextKind::FileName);
    storage.AddIntProperty(
        "RGFormat.ItemIndex", [this] { return RGFormatItemIndex(); },
        [this](int index) { SetRGFormatItemIndex(index); });
}

TFrmExport::~TFrmExport() = default;

int TFrmExport::RGFormatItemIndex() const {
    return rgFormat_->checkedId();
}

void TFrmExport::SetRGFormatItemIndex(int index) {
    if (index >= 0 && index < 3) formats_[index]->setChecked(true);
}

void TFrmExport::EdtFileNameChange() {
    // OK needs a name whose folder exists; a bare name has no folder.
    const std::filesystem::path name(BytesFromQString(edtFileName_->text()));
    std::error_code error;
    const bool folderExists = name.has_parent_path() && !name.filename().empty() &&
                              std::filesystem::is_directory(name.parent_path(), error);
    btnOK_->setEnabled(!edtFileName_->text().isEmpty() && folderExists);
}

void TFrmExport::SpeedButton1Click() {
    FileDialogRequest request;
    request.Filter = RGFormatItemIndex() == 2
                         ? QStringLiteral("HTML-Dateien|*.HTML;*.HTM;*.html;*.htm|Alle Dateien|*")
                         : QStringLiteral("CSV-Dateien|*.CSV;*.TXT;*.csv;*.txt|Alle Dateien|*");
    const QFileInfo current(edtFileName_->text());
    request.Folder = edtFileName_->text().isEmpty() ? QString() : current.absolutePath();
    request.FileName = current.fileName();
    if (const auto chosen = host_.UserPrompts().SaveFile(this, request))
        edtFileName_->setText(*chosen);
}

}  // namespace tv
