#pragma once

#include <QObject>
#include <QString>
#include <filesystem>

#include "settings/form_storage.h"

class QWidget;

namespace tv {

class Prompts;

// Keeps a window's section of the settings file: restores the window's placement
// and stored properties each time it is shown, and writes them when it is hidden
// (unless SaveOnHide is off, for windows that save at a moment of their own) and
// when it is destroyed, the latter only if nothing was written since the last
// reading. A window that was never shown writes nothing. Failures to read or write
// the file are reported in a German message and do not stop the program; after
// the main event loop has ended they go to standard error.
class FormPlacement : public QObject {
    Q_OBJECT
  public:
    enum class Parts { PositionSizeState, PositionOnly };

    FormPlacement(QWidget* form, const std::filesystem::path& iniPath, const QString& section,
                  Parts parts, Prompts& prompts);
    ~FormPlacement() override;

    FormStorage& Storage() noexcept { return storage_; }
    void SetSaveOnHide(bool on) noexcept { saveOnHide_ = on; }

    // Reads the section now and applies it to the window.
    void Restore();
    // Writes the section now; returns false (after the message) when it failed.
    // Unattended (the program ends on a signal or with the session, or no event
    // loop runs any more) the message goes to standard error: nobody may be there
    // to press OK.
    bool Save(bool interactive = true);

    WindowPlacement CurrentPlacement() const;
    void ApplyPlacement(const WindowPlacement& placement);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* form_;
    FormStorage storage_;
    Parts parts_;
    Prompts& prompts_;
    bool saveOnHide_ = true;
    bool restored_ = false;
    bool savedSinceRestore_ = false;
};

}  // namespace tv
