#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <optional>

class QWidget;

namespace tv {

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// What a file dialog shows. The filter is given as pairs of description and
// patterns separated by vertical bars ("MP3- Dateien|*.mp3|WAV-Dateien|*.wav").
struct FileDialogRequest {
    QString Title;
    QString Folder;
    QString FileName;
    QString Filter;
    QString DefaultSuffix;
};

// Every message box, question and file or folder chooser of the program goes
// through this facade, so that the logic never blocks in a dialog of its own: the
// program shows real Qt dialogs, tests script the answers.
class Prompts {
  public:
    virtual ~Prompts() = default;

    // Shows a message or question and returns the button pressed; closing the box
    // counts as Cancel (OK/Cancel) or No (Yes/No). defaultButton is the one Enter
    // presses (without one, the first: OK or Yes).
    virtual PromptAnswer Ask(QWidget* parent, const QString& title, const QString& text,
                             PromptIcon icon, PromptButtons buttons,
                             std::optional<PromptAnswer> defaultButton = std::nullopt) = 0;

    // A question with buttons of its own (captions in order); the index of the
    // button pressed, or the last button's index when the box is closed.
    virtual int Choose(QWidget* parent, const QString& title, const QString& text, PromptIcon icon,
                       const QStringList& buttons) = 0;

    // File choosers; nothing when cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) = 0;

    // Folder chooser showing file-system folders only, with folder preselected;
    // nothing when cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                                const QString& folder, bool allowNewFolder) = 0;

    // A message with an OK button.
    void Tell(QWidget* parent, const QString& title, const QString& text, PromptIcon icon) {
        Ask(parent, title, text, icon, PromptButtons::Ok);
    }
};

// The reason of a failure as a message shows it: the system's text for a
// system error (without the file name the exception may add), else what().
QString ErrorText(const std::exception& error);

// The program's prompts: QMessageBox, QFileDialog.
class QtPrompts final : public Prompts {
  public:
    PromptAnswer Ask(QWidget* parent, const QString& title, const QString& text, PromptIcon icon,
                     PromptButtons buttons,
                     std::optional<PromptAnswer> defaultButton = std::nullopt) override;
    int Choose(QWidget* parent, const QString& title, const QString& text, PromptIcon icon,
               const QStringList& buttons) override;
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                        const QString& folder, bool allowNewFolder) override;
};

// "Desc|*.a;*.b|Desc2|*.c" -> "Desc (*.a *.b);;Desc2 (*.c)"
QString QtFileFilter(const QString& pairs);

}  // namespace tv
