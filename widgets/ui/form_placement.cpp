#include "widgets/ui/form_placement.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScopeGuard>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <system_error>

#include "widgets/ui/prompts.h"

namespace tv {

FormPlacement::FormPlacement(QWidget* form, const std::filesystem::path& iniPath,
                             const QString& section, Parts parts, Prompts& prompts)
    : QObject(form),
      form_(form),
      storage_(iniPath, section.toStdString()),
      parts_(parts),
      prompts_(prompts) {
    form_->installEventFilter(this);
}

namespace {

// A message box needs an event loop and a person; the program's end has neither.
bool EventLoopRuns() {
    return QThread::currentThread()->loopLevel() > 0;
}

}  // namespace

FormPlacement::~FormPlacement() {
    if (restored_ && !savedSinceRestore_) Save(false);
}

bool FormPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && !event->spontaneous()) {
        if (event->type() == QEvent::Show) {
            Restore();
        } else if (event->type() == QEvent::Hide && saveOnHide_ && restored_) {
            Save(EventLoopRuns());
        }
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// Moves a top-level window wholly onto the screen it is mostly on (or the first
// one), shrinking it where it is larger: a title bar above the screen's edge
// cannot be grabbed.
void KeepOnScreen(QWidget* window) {
    if (!window->isWindow() || window->isMaximized() || window->isFullScreen()) return;
    const QRect frame = window->frameGeometry();
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect room = screen->availableGeometry();
    const QSize border = frame.size() - window->geometry().size();
    if (frame.width() > room.width() || frame.height() > room.height())
        window->resize(std::min(frame.width(), room.width()) - border.width(),
                       std::min(frame.height(), room.height()) - border.height());
    // A window that cannot be made small enough keeps its top left corner (and
    // title bar) on the screen.
    const QRect now = window->frameGeometry();
    const int x = std::max(room.left(), std::min(now.left(), room.right() - now.width() + 1));
    const int y = std::max(room.top(), std::min(now.top(), room.bottom() - now.height() + 1));
    if (x != now.left() || y != now.top()) window->move(x, y);
}

}  // namespace

void FormPlacement::Restore() {
    restored_ = true;
    savedSinceRestore_ = false;
    const auto keepOnScreen = qScopeGuard([this] { KeepOnScreen(form_); });
    try {
        if (const auto placement = storage_.Restore()) ApplyPlacement(*placement);
    } catch (const std::system_error& error) {
        prompts_.Tell(form_, QStringLiteral("Einstellungen"),
                      QStringLiteral("Die Einstellungen des Fensters (Abschnitt \"%1\") konnten "
                                     "nicht gelesen werden:\n%2")
                          .arg(QString::fromStdString(storage_.Section()),
                               QString::fromLocal8Bit(error.what())),
                      PromptIcon::Error);
    }
}

bool FormPlacement::Save(bool interactive) {
    savedSinceRestore_ = true;
    try {
        storage_.Save(CurrentPlacement());
        return true;
    } catch (const std::system_error& error) {
        const QString text =
            QStringLiteral("Die Einstellungen des Fensters (Abschnitt \"%1\") konnten "
                           "nicht gespeichert werden:\n%2")
                .arg(QString::fromStdString(storage_.Section()),
                     QString::fromLocal8Bit(error.what()));
        if (interactive)
            prompts_.Tell(form_, QStringLiteral("Einstellungen"), text, PromptIcon::Error);
        else
            qWarning().noquote() << text;
        return false;
    }
}

WindowPlacement FormPlacement::CurrentPlacement() const {
    WindowPlacement placement;
    const bool special = form_->isMaximized() || form_->isMinimized();
    const QRect normal = special ? form_->normalGeometry() : form_->geometry();
    placement.Left = normal.left();
    placement.Top = normal.top();
    placement.Right = normal.left() + normal.width();
    placement.Bottom = normal.top() + normal.height();
    if (form_->isMinimized())
        placement.ShowCmd = WindowPlacement::kMinimized;
    else if (form_->isMaximized())
        placement.ShowCmd = WindowPlacement::kMaximized;
    placement.PixelsPerInch = form_->logicalDpiY();
    return placement;
}

void FormPlacement::ApplyPlacement(const WindowPlacement& placement) {
    const QRect rect(placement.Left, placement.Top, placement.Right - placement.Left,
                     placement.Bottom - placement.Top);
    // A window stored on a screen that is gone stays where it is.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(rect);
    if (!onScreen) return;

    if (parts_ == Parts::PositionOnly) {
        form_->move(rect.topLeft());
        return;
    }
    if (rect.width() > 0 && rect.height() > 0) form_->setGeometry(rect);
    if (placement.ShowCmd == WindowPlacement::kMaximized)
        form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
}

}  // namespace tv
