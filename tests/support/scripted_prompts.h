#pragma once

#include <QString>
#include <QStringList>
#include <QTest>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

#include "widgets/ui/prompts.h"

namespace tv::test {

// Prompts for window tests: every message and question is recorded, and answered
// from a script; an unscripted question is answered No/Cancel and recorded as
// unexpected, and fails the running test when the prompts go (a test that means
// to leave questions unanswered says so with AllowUnscripted).
class ScriptedPrompts final : public Prompts {
  public:
    ScriptedPrompts() = default;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;
    ~ScriptedPrompts() override {
        if (unexpected_ > allowedUnscripted_ && QTest::currentTestFunction() != nullptr &&
            !QTest::currentTestFailed())
            QTest::qFail(qPrintable(QStringLiteral("unscripted question(s): ") +
                                    unscripted_.join(QStringLiteral(" | "))),
                         __FILE__, __LINE__);
    }
    // Up to count unscripted questions are part of the test (answered No/Cancel).
    void AllowUnscripted(int count) { allowedUnscripted_ += count; }

    struct Asked {
        QString Title;
        QString Text;
        PromptIcon Icon;
        PromptButtons Buttons;
        std::optional<PromptAnswer> Default;  // the button Enter would press
    };

    void Answer(PromptAnswer answer) { answers_.push_back(answer); }
    // The button index the next Choose returns.
    void Pick(int button) { picks_.push_back({button, {}}); }
    // As Pick, and does something while the question is open (the code that
    // asked waits for the answer meanwhile).
    void PickAfter(int button, std::function<void()> whileAsked) {
        picks_.push_back({button, std::move(whileAsked)});
    }
    void ChooseFile(std::optional<QString> name) { files_.push_back(std::move(name)); }
    void ChooseFolderAnswer(std::optional<QString> folder) {
        folders_.push_back(std::move(folder));
    }

    const std::deque<Asked>& AskedSoFar() const { return asked_; }
    QString LastText() const { return asked_.empty() ? QString() : asked_.back().Text; }
    int Unexpected() const { return unexpected_; }
    void Clear() { asked_.clear(); }

    PromptAnswer Ask(QWidget*, const QString& title, const QString& text, PromptIcon icon,
                     PromptButtons buttons,
                     std::optional<PromptAnswer> defaultButton = std::nullopt) override {
        asked_.push_back({title, text, icon, buttons, defaultButton});
        if (buttons == PromptButtons::Ok) return PromptAnswer::Ok;
        if (answers_.empty()) {
            Unscripted(text);
            return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
        }
        const PromptAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    int Choose(QWidget*, const QString& title, const QString& text, PromptIcon icon,
               const QStringList& buttons) override {
        asked_.push_back({title, text, icon, PromptButtons::Ok, std::nullopt});
        lastButtons = buttons;
        if (picks_.empty()) {
            Unscripted(text);
            return static_cast<int>(buttons.size()) - 1;
        }
        auto [pick, whileAsked] = std::move(picks_.front());
        picks_.pop_front();
        if (whileAsked) whileAsked();
        return pick;
    }
    std::optional<QString> OpenFile(QWidget*, const FileDialogRequest& request) override {
        lastFileRequest = request;
        return NextFile();
    }
    std::optional<QString> SaveFile(QWidget*, const FileDialogRequest& request) override {
        lastFileRequest = request;
        return NextFile();
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString& title, const QString& folder,
                                        bool allowNewFolder) override {
        lastFolderTitle = title;
        lastFolderStart = folder;
        lastFolderAllowNew = allowNewFolder;
        if (folders_.empty()) {
            Unscripted(title);
            return std::nullopt;
        }
        auto answer = folders_.front();
        folders_.pop_front();
        return answer;
    }

    FileDialogRequest lastFileRequest;
    QStringList lastButtons;
    QString lastFolderTitle;
    QString lastFolderStart;
    bool lastFolderAllowNew = false;

  private:
    void Unscripted(const QString& what) {
        ++unexpected_;
        unscripted_.append(what);
    }
    std::optional<QString> NextFile() {
        if (files_.empty()) {
            Unscripted(lastFileRequest.Title);
            return std::nullopt;
        }
        auto answer = files_.front();
        files_.pop_front();
        return answer;
    }

    std::deque<PromptAnswer> answers_;
    std::deque<std::pair<int, std::function<void()>>> picks_;
    std::deque<std::optional<QString>> files_;
    std::deque<std::optional<QString>> folders_;
    std::deque<Asked> asked_;
    int unexpected_ = 0;
    int allowedUnscripted_ = 0;
    QStringList unscripted_;
};

}  // namespace tv::test
