#pragma once

#include <QDialog>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "files/file_operation.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tv {

class Prompts;

// Runs a file operation in a worker thread behind a modal progress window: the
// file being copied, the files and bytes done, an overall bar and "Abbrechen".
// Questions (replace a file? skip names the target cannot hold?) and failures are
// shown in the main thread while the worker waits for the answer.
class TFileCopyDialog : public QDialog, private FileOperationObserver {
    Q_OBJECT
  public:
    TFileCopyDialog(QWidget* parent, Prompts& prompts);
    ~TFileCopyDialog() override;

    // Performs the operation; returns its result once it has ended.
    bool Run(TShFileOP& operation);
    bool Running() const noexcept { return running_; }

    // How long the summary at the end ("Fertig: 12 Dateien kopiert, …") stays.
    static constexpr int kSummaryMilliseconds = 1500;

    QLabel* FileLabel() const noexcept { return fileLabel_; }
    QLabel* CountLabel() const noexcept { return countLabel_; }
    QProgressBar* Gauge() const noexcept { return gauge_; }
    QPushButton* CancelButton() const noexcept { return cancelButton_; }

  public slots:
    void reject() override;  // "Abbrechen": the operation stops, the window then closes

  private:
    // Observer, called in the worker thread.
    void Started(int files, std::uint64_t bytes) override;
    bool Progress(const std::string& file, int filesDone, std::uint64_t bytesDone) override;
    ReplaceAnswer AskReplace(const std::string& target) override;
    bool SkipUnfitNames(const std::vector<std::string>& names) override;
    void Failed(const std::string& file, const std::string& reason) override;

    // Runs ask in the main thread and waits for its answer; fallback when the
    // window goes away meanwhile.
    int AskInMainThread(const std::function<int()>& ask, int fallback);
    void ShowProgress();
    void ShowSummary();

    Prompts& prompts_;
    QLabel* fileLabel_;
    QLabel* countLabel_;
    QProgressBar* gauge_;
    QPushButton* cancelButton_;
    QTimer* refresh_;

    TShFileOP* operation_ = nullptr;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> finished_{false};
    bool result_ = false;

    std::mutex mutex_;  // guards what follows
    std::condition_variable answered_;
    std::string currentFile_;
    int files_ = 0;
    int filesDone_ = 0;
    std::uint64_t bytes_ = 0;
    std::uint64_t bytesDone_ = 0;
    int questionSerial_ = 0;
    int answerSerial_ = 0;
    int answer_ = 0;
    bool abandoned_ = false;
};

}  // namespace tv
