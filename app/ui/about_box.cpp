#include "app/ui/about_box.h"

#include <QDesktopServices>
#include <utility>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

QPixmap ProgramPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QRadialGradient disc(s / 2, s / 2, s / 2);
    disc.setColorAt(0.0, QColor(235, 235, 245));
    disc.setColorAt(0.6, QColor(160, 180, 230));
    disc.setColorAt(1.0, QColor(90, 110, 190));
    painter.setPen(QPen(QColor(40, 50, 110), s / 40));
    painter.setBrush(disc);
    painter.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(s * 0.42, s * 0.42, s * 0.16, s * 0.16));
    // A quaver over the disc.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 90));
    painter.drawEllipse(QRectF(s * 0.50, s * 0.66, s * 0.18, s * 0.13));
    painter.drawRect(QRectF(s * 0.64, s * 0.22, s * 0.045, s * 0.51));
    QPainterPath flag;
    flag.moveTo(s * 0.685, s * 0.22);
    flag.cubicTo(s * 0.78, s * 0.28, s * 0.84, s * 0.34, s * 0.78, s * 0.46);
    flag.cubicTo(s * 0.80, s * 0.36, s * 0.74, s * 0.32, s * 0.685, s * 0.31);
    painter.drawPath(flag);
    return picture;
}

TFormInfo::TFormInfo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      okButton_(new QPushButton(QStringLiteral("OK"), this)),
      loadingLabel_(new QLabel(QStringLiteral("Datenbank wird geladen..."), this)),
      animation_(new QProgressBar(this)),
      link_(new QLabel(QString::fromLatin1(kMakerWebAddress), this)),
      urlOpener_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("FormInfo"));
    setWindowTitle(QStringLiteral("Informationen"));
    okButton_->setObjectName(QStringLiteral("OKButton"));
    loadingLabel_->setObjectName(QStringLiteral("Label6"));
    animation_->setObjectName(QStringLiteral("Animate1"));
    link_->setObjectName(QStringLiteral("Label5"));

    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramPicture(96));
    auto* title = new QLabel(QString::fromLatin1(kProductTitle), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);

    QFont linkFont = link_->font();
    linkFont.setUnderline(true);
    link_->setFont(linkFont);
    QPalette linkColours = link_->palette();
    linkColours.setColor(QPalette::WindowText, QColor(0, 0, 128));
    link_->setPalette(linkColours);
    link_->setCursor(Qt::PointingHandCursor);
    link_->installEventFilter(this);

    animation_->setRange(0, 0);  // running while the lists are read
    animation_->setTextVisible(false);
    animation_->setFixedHeight(14);
    loadingLabel_->setVisible(false);
    animation_->setVisible(false);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(new QLabel(QString::fromLatin1(kProductVersion), this));
    texts->addWidget(new QLabel(QString::fromUtf8(kReleaseLine), this));
    texts->addWidget(new QLabel(QString::fromUtf8(kMakerLine), this));
    texts->addWidget(link_);
    dataFolderLabel_ = new QLabel(this);
    dataFolderLabel_->setObjectName(QStringLiteral("LabelDataFolder"));
    dataFolderLabel_->setWordWrap(true);
    dataFolderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(dataFolderLabel_);
    texts->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, Qt::AlignTop);
    layout->addLayout(texts, 0, 1);
    layout->addWidget(loadingLabel_, 1, 0, 1, 2);
    layout->addWidget(animation_, 2, 0, 1, 2);
    layout->addWidget(okButton_, 3, 1, Qt::AlignRight);
    setFixedSize(440, 290);

    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormInfo::SetDataFolder(const QString& folder) {
    dataFolderLabel_->setText(QStringLiteral("Listen und Einstellungen in: ") + folder);
}

void TFormInfo::ShowAsSplash() {
    okButton_->setVisible(false);
    animation_->setVisible(true);
    loadingLabel_->setVisible(true);
}

void TFormInfo::Label5Click() {
    urlOpener_(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

bool TFormInfo::eventFilter(QObject* watched, QEvent* event) {
    // A click opens the page once; a double click is a click and a second press
    // and release, which open nothing more.
    if (watched == link_ && event->type() == QEvent::MouseButtonPress)
        releaseOfDoubleClick_ = false;  // a new click
    if (watched == link_ && event->type() == QEvent::MouseButtonDblClick) {
        releaseOfDoubleClick_ = true;
        return true;
    }
    if (watched == link_ && event->type() == QEvent::MouseButtonRelease) {
        if (!std::exchange(releaseOfDoubleClick_, false)) Label5Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tv
