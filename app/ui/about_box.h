#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tv {

// Product title, release and maker as the caption and the about box show them.
inline constexpr char kProductTitle[] = "MP3-TUNEVAULT";
inline constexpr char kProductVersion[] = "Version 2.01";
inline constexpr char kReleaseLine[] = "vom 08.12.2026";
inline constexpr char kMakerLine[] = "TuneVault-Entwicklerteam";
inline constexpr char kMakerWebAddress[] = "https://tunevault.example.org";

// The about box "Informationen", which also serves as the start-up splash: there
// its OK button is hidden and the label "Datenbank wird geladen..." and an
// animation are shown.
class TFormInfo : public QDialog {
    Q_OBJECT
  public:
    explicit TFormInfo(QWidget* parent = nullptr);

    QPushButton* OKButton() const noexcept { return okButton_; }
    QLabel* LoadingLabel() const noexcept { return loadingLabel_; }
    QProgressBar* Animation() const noexcept { return animation_; }
    QLabel* Label5() const noexcept { return link_; }

    // Opens the maker's web page; by default in the desktop's browser.
    void SetUrlOpener(std::function<void(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
    void Label5Click();

    // Splash state: OK hidden, loading label and animation shown.
    void ShowAsSplash();
    // Names the folder the lists and settings live in.
    void SetDataFolder(const QString& folder);
    QLabel* DataFolderLabel() const noexcept { return dataFolderLabel_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPushButton* okButton_;
    QLabel* loadingLabel_;
    QProgressBar* animation_;
    QLabel* link_;
    QLabel* dataFolderLabel_ = nullptr;
    std::function<void(const QUrl&)> urlOpener_;
    bool releaseOfDoubleClick_ = false;
};

// The program's picture: a disc with a note, drawn at the given size.
QPixmap ProgramPicture(int size);

}  // namespace tv
