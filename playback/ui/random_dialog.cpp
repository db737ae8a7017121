#include "playback/ui/random_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "catalogue/ui/catalogue_host.h"
#include "widgets/ui/form_placement.h"

namespace tv {

TFrmRandom::TFrmRandom(CatalogueHost& host)
    : QDialog(host.HostWindow()),
      spinEdit1_(new QSpinBox(this)),
      bitBtn1_(new QPushButton(QStringLiteral("OK"), this)),
      bitBtn2_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setObjectName(QStringLiteral("FrmRandom"));
    setWindowTitle(QStringLiteral("Zufallsauswahl"));
    setModal(true);
    spinEdit1_->setObjectName(QStringLiteral("SpinEdit1"));
    // The box takes any number while typing; one above the maximum is set back.
    spinEdit1_->setRange(1, INT_MAX);
    spinEdit1_->setValue(1);
    bitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    bitBtn1_->setDefault(true);
    bitBtn2_->setObjectName(QStringLiteral("BitBtn2"));

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Zufällige Auswahl von "), this));
    row->addWidget(spinEdit1_);
    row->addWidget(new QLabel(QStringLiteral("Titeln"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bitBtn1_);
    buttons->addWidget(bitBtn2_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(spinEdit1_, &QSpinBox::valueChanged, this, &TFrmRandom::SpinEdit1Change);
    connect(bitBtn1_, &QPushButton::clicked, this, &QDialog::accept);
    connect(bitBtn2_, &QPushButton::clicked, this, &QDialog::reject);

    placement_ = std::make_unique<FormPlacement>(
        this, host.SettingsPath(), QStringLiteral("RANDOMPLAY"),
        FormPlacement::Parts::PositionSizeState, host.UserPrompts());
    placement_->Storage().AddIntProperty(
        "SpinEdit1.Value", [this] { return spinEdit1_->value(); },
        [this](int value) { spinEdit1_->setValue(value); });
}

TFrmRandom::~TFrmRandom() = default;

void TFrmRandom::SetMaximum(int maximum) {
    maximum_ = maximum;
    SpinEdit1Change();
}

void TFrmRandom::SpinEdit1Change() {
    if (maximum_ >= 1 && spinEdit1_->value() > maximum_) {
        QApplication::beep();
        spinEdit1_->setValue(maximum_);
    }
}

}  // namespace tv
