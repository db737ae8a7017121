#include "settings/ui/colour_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/windows_colour.h"

namespace tv {
namespace {

// The named colours of the pickers (Windows colour values: low byte red).
struct NamedColour {
    const char* Name;
    std::int32_t Value;
};
constexpr NamedColour kNamedColours[] = {
    {"Schwarz", 0x000000},  {"Kastanienbraun", 0x000080}, {"Grün", 0x008000},
    {"Olivgrün", 0x008080}, {"Marineblau", 0x800000},     {"Violett", 0x800080},
    {"Blaugrün", 0x808000}, {"Grau", 0x808080},           {"Silber", 0xC0C0C0},
    {"Rot", 0x0000FF},      {"Hellgrün", 0x00FF00},       {"Gelb", 0x00FFFF},
    {"Blau", 0xFF0000},     {"Fuchsia", 0xFF00FF},        {"Aqua", 0xFFFF00},
    {"Weiß", 0xFFFFFF},
};

QIcon Swatch(std::int32_t colour) {
    QPixmap pixmap(16, 12);
    pixmap.fill(ColourFromWindows(colour));
    QPainter(&pixmap).drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

QComboBox* Picker(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const NamedColour& colour : kNamedColours)
        box->addItem(Swatch(colour.Value), QString::fromUtf8(colour.Name), colour.Value);
    return box;
}

}  // namespace

TColorDlg::TColorDlg(QWidget* parent, TabColouringSource mainTabs)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      mainTabs_(std::move(mainTabs)),
      testTabs_(new ColouredTabWidget(this)),
      comboBox1_(Picker(this, "ColorComboBox1")),
      comboBox2_(Picker(this, "ColorComboBox2")),
      btnApply_(new QPushButton(QStringLiteral("Anwenden"), this)),
      btnCancel_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    setObjectName(QStringLiteral("ColorDlg"));
    setWindowTitle(QStringLiteral("Farbeinstellung"));
    setModal(true);
    testTabs_->setObjectName(QStringLiteral("CSTestColor"));
    testTabs_->setUsesScrollButtons(false);  // every title shows whole
    for (int i = 0; i < 4; ++i) {
        auto* preview = new QFrame(testTabs_);
        preview->setObjectName(QStringLiteral("CSTestColor%1").arg(i + 1));
        preview->setAutoFillBackground(true);
        auto* text = new QLabel(QStringLiteral("Test-Test-Test-Test"), preview);
        QFont bold = text->font();
        bold.setBold(true);
        text->setFont(bold);
        text->setAlignment(Qt::AlignCenter);
        (new QVBoxLayout(preview))->addWidget(text);
        previews_[static_cast<std::size_t>(i)] = preview;
        testTabs_->addTab(preview, QStringLiteral("Test%1").arg(i + 1));
    }
    btnApply_->setObjectName(QStringLiteral("BtnApply"));
    btnApply_->setDefault(true);
    btnCancel_->setObjectName(QStringLiteral("BtnCancel"));

    auto* pickers = new QGridLayout;
    pickers->addWidget(new QLabel(QStringLiteral("Hintergrundfarbe :"), this), 0, 0);
    pickers->addWidget(comboBox1_, 0, 1);
    pickers->addWidget(new QLabel(QStringLiteral("Vordergrundfarbe :"), this), 1, 0);
    pickers->addWidget(comboBox2_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnApply_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(testTabs_, 1);
    layout->addLayout(pickers);
    layout->addLayout(buttons);
    resize(338, 202);
    setFixedSize(sizeHint().expandedTo(QSize(338, 202)));

    connect(testTabs_, &QTabWidget::currentChanged, this, &TColorDlg::CSTestColorShow);
    connect(comboBox1_, &QComboBox::currentIndexChanged, this, &TColorDlg::ColorComboBoxChange);
    connect(comboBox2_, &QComboBox::currentIndexChanged, this, &TColorDlg::ColorComboBoxChange);
    connect(btnApply_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

QString TColorDlg::TestCaption(int tab) const {
    return testTabs_->tabText(tab);
}

void TColorDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The main tabs, in their order, onto the test tabs.
    for (int i = 0; i < 4; ++i) {
        const TabColouring tab = mainTabs_(i);
        testTabs_->setTabText(i, tab.Caption);
        colours_[static_cast<std::size_t>(i)] = {tab.Tab, tab.Text};
        testTabs_->ColouredBar()->SetTabColours(i, ColourFromWindows(colours_[i].Tab),
                                                ColourFromWindows(colours_[i].Text));
    }
    // Wide enough for the four titles side by side.
    setFixedSize(sizeHint().expandedTo(QSize(338, 202)));
    if (const QScreen* shownOn = screen())
        move(shownOn->availableGeometry().center() - rect().center());
    if (testTabs_->currentIndex() != 0)
        testTabs_->setCurrentIndex(0);  // runs the show handler
    else
        CSTestColorShow(0);
}

void TColorDlg::CSTestColorShow(int tab) {
    if (tab < 0 || tab > 3) return;
    guard_ = 1;
    SelectColour(comboBox1_, colours_[static_cast<std::size_t>(tab)].Tab);
    SelectColour(comboBox2_, colours_[static_cast<std::size_t>(tab)].Text);
    RefreshPreviews();
    guard_ = 0;
}

void TColorDlg::ColorComboBoxChange() {
    if (guard_ == 1) return;
    const int tab = testTabs_->currentIndex();
    if (tab < 0) return;
    Colours& colours = colours_[static_cast<std::size_t>(tab)];
    colours.Tab = ColourOf(comboBox1_);
    colours.Text = ColourOf(comboBox2_);
    testTabs_->ColouredBar()->SetTabColours(tab, ColourFromWindows(colours.Tab),
                                            ColourFromWindows(colours.Text));
    RefreshPreviews();
    testTabs_->update();
}

void TColorDlg::RefreshPreviews() {
    for (std::size_t i = 0; i < 4; ++i) {
        QPalette palette = previews_[i]->palette();
        palette.setColor(QPalette::Window, ColourFromWindows(colours_[i].Tab));
        palette.setColor(QPalette::WindowText, ColourFromWindows(colours_[i].Text));
        previews_[i]->setPalette(palette);
    }
}

void TColorDlg::SelectColour(QComboBox* box, std::int32_t colour) {
    int index = box->findData(colour);
    if (index < 0) {
        // A colour of the settings file that has no name here.
        box->addItem(Swatch(colour), QStringLiteral("Benutzerdefiniert"), colour);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

std::int32_t TColorDlg::ColourOf(const QComboBox* box) {
    return box->currentData().toInt();
}

}  // namespace tv
