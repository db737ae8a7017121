#include "files/file_operation.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

namespace tv {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// Answers from a script and records what it was told.
struct Recorder : FileOperationObserver {
    std::vector<ReplaceAnswer> answers;
    std::vector<std::string> asked, failed, unfit;
    bool skipUnfit = true;
    int stopAfterCalls = -1;  // Progress returns false from this call on
    int progressCalls = 0;
    int startedFiles = -1;
    std::uint64_t startedBytes = 0, lastBytes = 0;

    void Started(int files, std::uint64_t bytes) override {
        startedFiles = files;
        startedBytes = bytes;
    }
    bool Progress(const std::string&, int, std::uint64_t bytes) override {
        lastBytes = bytes;
        return stopAfterCalls < 0 || ++progressCalls < stopAfterCalls;
    }
    ReplaceAnswer AskReplace(const std::string& target) override {
        asked.push_back(target);
        if (answers.empty()) return ReplaceAnswer::No;
        const ReplaceAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    bool SkipUnfitNames(const std::vector<std::string>& names) override {
        unfit = names;
        return skipUnfit;
    }
    void Failed(const std::string& file, const std::string& reason) override {
        failed.push_back(file + ": " + reason);
    }
};

std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Folders {
    TempFolder root;
    std::filesystem::path from = root / "von";
    std::filesystem::path to = root / "nach";
    Folders() {
        std::filesystem::create_directories(from);
        std::filesystem::create_directories(to);
    }
    std::string Source(const std::string& name, const std::string& bytes) {
        WriteBytes(from / name, bytes);
        return (from / name).string();
    }
};

TEST(TShFileOP, CopiesWholeFilesKeepingTheirTimesAndEmptiesTheList) {
    Folders f;
    const std::string a = f.Source("a.mp3", "AAAA");
    const std::string semicolon = f.Source("A;B.mp3", "semi");
    const std::string umlaut = f.Source("\xE4rger.mp3", std::string(9 << 20, 'x'));  // 9 MiB
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, a.c_str(), old, 0);
    TShFileOP op;
    op.FilesList = {a, "", semicolon, umlaut};
    op.Destination = f.to.string();
    Recorder recorder;
    EXPECT_TRUE(op.Execute(recorder));
    EXPECT_FALSE(op.Aborted());
    EXPECT_TRUE(op.FilesList.empty());
    EXPECT_EQ(recorder.startedFiles, 3);
    EXPECT_EQ(recorder.startedBytes, 8u + (9u << 20));
    EXPECT_EQ(recorder.lastBytes, recorder.startedBytes);
    EXPECT_EQ(Names(f.to), (std::vector<std::string>{"A;B.mp3", "a.mp3", "\xE4rger.mp3"}));
    EXPECT_EQ(ReadBytes(f.to / "A;B.mp3"), "semi");
    EXPECT_EQ(ReadBytes(f.to / "\xE4rger.mp3"), std::string(9 << 20, 'x'));
    struct stat copied {};
    ::stat((f.to / "a.mp3").c_str(), &copied);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1000000000);
    // KeepFilesList keeps them; an empty list is done at once.
    op.KeepFilesList = true;
    op.FilesList = {a};
    recorder.answers = {ReplaceAnswer::Yes};
    EXPECT_TRUE(op.Execute(recorder));
    EXPECT_EQ(op.FilesList.size(), 1u);
    op.FilesList = {"", ""};
    EXPECT_TRUE(op.Execute(recorder));
}

TEST(TShFileOP, ExistingTargetsAreReplacedOnlyWhenTheUserSaysSo) {
    Folders f;
    std::vector<std::string> sources;
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"}) {
        sources.push_back(f.Source(name, std::string("neu ") + name));
        WriteBytes(f.to / name, "alt");
    }
    TShFileOP op;
    op.Destination = f.to.string();
    op.FilesList = sources;
    Recorder recorder;
    recorder.answers = {ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::YesToAll};
    EXPECT_TRUE(op.Execute(recorder));
    EXPECT_EQ(recorder.asked.size(), 3u);  // "Ja, alle" asks no more
    EXPECT_EQ(ReadBytes(f.to / "1.mp3"), "alt");
    EXPECT_EQ(ReadBytes(f.to / "2.mp3"), "neu 2.mp3");
    EXPECT_EQ(ReadBytes(f.to / "4.mp3"), "neu 4.mp3");
    // "Abbrechen" stops everything.
    op.FilesList = sources;
    Recorder cancel;
    cancel.answers = {ReplaceAnswer::Cancel};
    EXPECT_FALSE(op.Execute(cancel));
    EXPECT_TRUE(op.Aborted());
    EXPECT_EQ(cancel.asked.size(), 1u);
    // Two sources of one name: the second finds the first in the target.
    std::filesystem::create_directories(f.from / "b");
    WriteBytes(f.from / "b" / "5.mp3", "zweite");
    op.FilesList = {f.Source("5.mp3", "erste"), (f.from / "b" / "5.mp3").string()};
    Recorder twice;
    twice.answers = {ReplaceAnswer::No};
    EXPECT_TRUE(op.Execute(twice));
    EXPECT_EQ(twice.asked.size(), 1u);
    EXPECT_EQ(ReadBytes(f.to / "5.mp3"), "erste");
    // A file copied onto itself is refused, not emptied.
    op.Destination = f.from.string();
    op.FilesList = {sources[0]};
    Recorder self;
    self.answers = {ReplaceAnswer::Yes};
    EXPECT_FALSE(op.Execute(self));
    EXPECT_EQ(ReadBytes(sources[0]), "neu 1.mp3");
}

TEST(TShFileOP, AFailedOrCancelledCopyLeavesNoHalfFile) {
    Folders f;
    const std::string big = f.Source("gross.mp3", std::string(12 << 20, 'g'));
    const std::string small = f.Source("klein.mp3", "k");
    TShFileOP op;
    op.Destination = f.to.string();
    op.FilesList = {small, big};
    Recorder recorder;
    recorder.stopAfterCalls = 6;  // after two of the big file's three chunks
    EXPECT_FALSE(op.Execute(recorder));
    EXPECT_TRUE(op.Aborted());
    EXPECT_EQ(Names(f.to), (std::vector<std::string>{"klein.mp3"}));
    // A cancel before the start (from the thread that starts the worker, before
    // it runs): nothing is written.
    op.FilesList = {big};
    op.Cancel();
    Recorder cancelled;
    EXPECT_FALSE(op.Execute(cancelled));
    EXPECT_TRUE(op.Aborted());
    EXPECT_EQ(Names(f.to), (std::vector<std::string>{"klein.mp3"}));
    // The cancel belonged to that run: the next one starts afresh.
    op.FilesList = {big};
    Recorder later;
    EXPECT_TRUE(op.Execute(later));
    EXPECT_EQ(ReadBytes(f.to / "gross.mp3").size(), std::size_t{12 << 20});
    // Missing sources and a target that is no folder fail with the system's
    // reason; the others go on.
    op.FilesList = {(f.from / "fehlt.mp3").string(), small};
    std::filesystem::remove(f.to / "klein.mp3");
    Recorder missing;
    EXPECT_FALSE(op.Execute(missing));
    ASSERT_EQ(missing.failed.size(), 1u);
    EXPECT_NE(missing.failed[0].find("fehlt.mp3: No such file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(f.to / "klein.mp3"));
    op.Destination = small;
    op.FilesList = {big};
    Recorder notFolder;
    EXPECT_FALSE(op.Execute(notFolder));
    EXPECT_EQ(notFolder.failed.size(), 1u);
    EXPECT_EQ(ReadBytes(small), "k");
}

// A target folder the user may not write to (as an ordinary user, in a child
// process when the tests run as root, who may write anywhere): the copy fails
// with the system's reason and nothing arrives.
TEST(TShFileOP, AReadOnlyTargetFailsTheCopy) {
    TempFolder root(TempFolder::Reach::EveryUser);
    const auto from = root / "von", to = root / "nach";
    std::filesystem::create_directories(from);
    std::filesystem::create_directories(to);
    WriteBytes(from / "klein.mp3", "k");
    ::chmod(root.Path().c_str(), 0755);
    ::chmod(from.c_str(), 0755);
    ::chmod((from / "klein.mp3").c_str(), 0644);
    ::chmod(to.c_str(), 0555);
    const int result = test::RunUnprivileged([&] {
        TShFileOP op;
        op.Destination = to.string();
        op.FilesList = {(from / "klein.mp3").string()};
        Recorder readOnly;
        if (op.Execute(readOnly)) return 1;
        if (readOnly.failed.size() != 1) return 2;
        if (readOnly.failed[0].find("Permission denied") == std::string::npos &&
            readOnly.failed[0].find("Keine Berechtigung") == std::string::npos)
            return 3;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(Names(to).empty());
}

TEST(TShFileOP, NamesTheTargetCannotHoldAreFoundFirst) {
    Folders f;
    const std::string good = f.Source("gut.mp3", "g");
    const std::string colon = f.Source("a:b.mp3", "c");
    const std::string dot = f.Source("ende.", "d");
    TShFileOP op;
    op.Destination = f.to.string();
    op.Names = TargetNames::Fat;
    op.FilesList = {good, colon, dot};
    Recorder cancel;
    cancel.skipUnfit = false;
    EXPECT_FALSE(op.Execute(cancel));
    EXPECT_TRUE(op.Aborted());
    EXPECT_EQ(cancel.unfit, (std::vector<std::string>{colon, dot}));
    EXPECT_TRUE(Names(f.to).empty());
    op.FilesList = {good, colon, dot};
    Recorder skip;
    EXPECT_FALSE(op.Execute(skip));  // not every file was copied
    EXPECT_FALSE(op.Aborted());
    EXPECT_EQ(Names(f.to), (std::vector<std::string>{"gut.mp3"}));
    // On a Linux file system the same names are fine.
    op.Names = TargetNames::Any;
    op.FilesList = {colon, dot};
    Recorder any;
    EXPECT_TRUE(op.Execute(any));
    EXPECT_TRUE(any.unfit.empty());
}

TEST(UnfitForFat, FollowsTheFatRules) {
    for (const char* bad : {"a\"b", "a*b", "a:b", "a<b", "a>b", "a?b", "a\\b", "a|b", "a\tb",
                            "ende.", "ende ", "\xE4.mp3"})
        EXPECT_TRUE(UnfitForFat(bad)) << bad;
    for (const char* good : {"Ärger – Live.mp3", "a;b.mp3", "a b.mp3", ".versteckt", "€"})
        EXPECT_FALSE(UnfitForFat(good)) << good;
    EXPECT_FALSE(UnfitForFat(std::string(255, 'a')));
    EXPECT_TRUE(UnfitForFat(std::string(256, 'a')));
    std::string emoji;
    for (int i = 0; i < 128; ++i) emoji += "\xF0\x9F\x8E\xB5";  // 2 UTF-16 units each
    EXPECT_TRUE(UnfitForFat(emoji));
}

// Copies are named in batches of 64 files, flushed in the background while the
// next batch is copied: 150 files make three batches. Every file arrives whole
// under its name, no temporary file stays, a move takes the sources away; a name
// that cannot be given in the first batch (a folder stands there) is reported and
// the run fails, while the other files arrive.
TEST(TShFileOP, CopiesAndMovesOfSeveralBatches) {
    for (const TShOp operation : {TShOp::shCopy, TShOp::shMove}) {
        Folders f;
        std::vector<std::string> sources, names;
        std::vector<std::string> contents;
        for (int i = 0; i < 150; ++i) {
            const std::string name = "Lied " + std::to_string(i) + ".mp3";
            std::string bytes(static_cast<std::size_t>(i * 997 % 20000), static_cast<char>('a' + i % 26));
            if (!bytes.empty()) bytes.front() = static_cast<char>(i);  // each file its own
            sources.push_back(f.Source(name, bytes));
            names.push_back(name);
            contents.push_back(bytes);
        }
        // A folder with something in it where file 10 should go.
        std::filesystem::create_directories(f.to / names[10] / "drin");
        TShFileOP op;
        op.Operation = operation;
        op.Destination = f.to.string();
        op.FilesList = sources;
        Recorder recorder;
        recorder.answers = {ReplaceAnswer::Yes};
        EXPECT_FALSE(op.Execute(recorder));
        ASSERT_EQ(recorder.failed.size(), 1u);
        EXPECT_NE(recorder.failed.front().find(names[10]), std::string::npos);
        EXPECT_EQ(op.Counts().Done, 149);

        std::vector<std::string> expected = names;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Names(f.to), expected);  // nothing under a temporary name
        EXPECT_TRUE(std::filesystem::is_directory(f.to / names[10]));
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i == 10) continue;
            ASSERT_TRUE(ReadBytes(f.to / names[i]) == contents[i]) << names[i];
            EXPECT_EQ(std::filesystem::exists(sources[i]), operation == TShOp::shCopy) << names[i];
        }
        EXPECT_TRUE(std::filesystem::exists(sources[10]));  // not moved: it is not there
    }
}

TEST(TShFileOP, DeletesAndMoves) {
    Folders f;
    const std::string a = f.Source("a.mp3", "a"), b = f.Source("b.mp3", "b");
    TShFileOP op;
    op.Operation = TShOp::shMove;
    op.Destination = f.to.string();
    op.FilesList = {a};
    Recorder recorder;
    EXPECT_TRUE(op.Execute(recorder));
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(ReadBytes(f.to / "a.mp3"), "a");
    op.Operation = TShOp::shDelete;
    op.FilesList = {b, (f.from / "fehlt").string()};
    EXPECT_FALSE(op.Execute(recorder));
    EXPECT_FALSE(std::filesystem::exists(b));
}

}  // namespace
}  // namespace tv
