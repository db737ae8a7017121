#include "widgets/ui/prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <system_error>
#include <vector>

namespace tv {

QString ErrorText(const std::exception& error) {
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return QString::fromStdString(system->code().message());
    return QString::fromStdString(error.what());
}

namespace {

Q_LOGGING_CATEGORY(lcPrompts, "tunevault.prompts", QtWarningMsg)

// Shows the box and waits for it. Once the box is up and its loop runs, the log
// says so ("tunevault.prompts.info"): what the program waits for, for a user's
// report and for tests that must act while a box is open.
int ExecLogged(QMessageBox& box) {
    QTimer::singleShot(0, &box, [&box] {
        qCInfo(lcPrompts).noquote() << "Meldung offen:" << box.windowTitle();
    });
    return box.exec();
}

void SetIcon(QMessageBox& box, PromptIcon icon) {
    switch (icon) {
        case PromptIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case PromptIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case PromptIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case PromptIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case PromptIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
}

}  // namespace

int QtPrompts::Choose(QWidget* parent, const QString& title, const QString& text, PromptIcon icon,
                      const QStringList& buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    SetIcon(box, icon);
    std::vector<QPushButton*> pushButtons;
    for (const QString& caption : buttons)
        pushButtons.push_back(box.addButton(caption, QMessageBox::ActionRole));
    if (!pushButtons.empty()) box.setEscapeButton(pushButtons.back());
    ExecLogged(box);
    for (std::size_t i = 0; i < pushButtons.size(); ++i)
        if (box.clickedButton() == pushButtons[i]) return static_cast<int>(i);
    return static_cast<int>(buttons.size()) - 1;
}

PromptAnswer QtPrompts::Ask(QWidget* parent, const QString& title, const QString& text,
                            PromptIcon icon, PromptButtons buttons,
                            std::optional<PromptAnswer> defaultButton) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    SetIcon(box, icon);
    switch (buttons) {
        case PromptButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case PromptButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.button(QMessageBox::Cancel)->setText(QStringLiteral("Abbrechen"));
            break;
        case PromptButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
            box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
            break;
    }
    if (defaultButton) {
        const QMessageBox::StandardButton standard =
            *defaultButton == PromptAnswer::Ok       ? QMessageBox::Ok
            : *defaultButton == PromptAnswer::Cancel ? QMessageBox::Cancel
            : *defaultButton == PromptAnswer::Yes    ? QMessageBox::Yes
                                                     : QMessageBox::No;
        if (QAbstractButton* button = box.button(standard))
            box.setDefaultButton(static_cast<QPushButton*>(button));
    }
    switch (ExecLogged(box)) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
}

QString QtFileFilter(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QString StartPath(const FileDialogRequest& request) {
    if (request.FileName.isEmpty()) return request.Folder;
    if (QFileInfo(request.FileName).isAbsolute() || request.Folder.isEmpty())
        return request.FileName;
    return request.Folder + QLatin1Char('/') + request.FileName;
}

}  // namespace

std::optional<QString> QtPrompts::OpenFile(QWidget* parent, const FileDialogRequest& request) {
    const QString name = QFileDialog::getOpenFileName(parent, request.Title, StartPath(request),
                                                      QtFileFilter(request.Filter));
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::optional<QString> QtPrompts::SaveFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent, request.Title, StartPath(request), QtFileFilter(request.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!request.DefaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.DefaultSuffix);
    if (!request.FileName.isEmpty()) dialog.selectFile(StartPath(request));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtPrompts::ChooseFolder(QWidget* parent, const QString& title,
                                               const QString& folder, bool allowNewFolder) {
    QFileDialog dialog(parent, title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // Qt's own dialog, because only it can hide the button for new folders.
    dialog.setOption(QFileDialog::DontUseNativeDialog, !allowNewFolder);
    if (!allowNewFolder) dialog.setOption(QFileDialog::ReadOnly, true);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

}  // namespace tv
