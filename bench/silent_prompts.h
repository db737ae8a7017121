#pragma once

#include "widgets/ui/prompts.h"

namespace tv::bench {

// Answers every question with Cancel: a benchmark must not meet one.
class SilentPrompts final : public Prompts {
  public:
    PromptAnswer Ask(QWidget*, const QString&, const QString&, PromptIcon, PromptButtons,
                     std::optional<PromptAnswer> = std::nullopt) override {
        return PromptAnswer::Cancel;
    }
    int Choose(QWidget*, const QString&, const QString&, PromptIcon,
               const QStringList& buttons) override {
        return static_cast<int>(buttons.size()) - 1;
    }
    std::optional<QString> OpenFile(QWidget*, const FileDialogRequest&) override { return {}; }
    std::optional<QString> SaveFile(QWidget*, const FileDialogRequest&) override { return {}; }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&, bool) override {
        return {};
    }
};

}  // namespace tv::bench
