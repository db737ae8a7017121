// The write pipeline against the simulated recorder: every disc type burns the
// bytes of its layout with the command sequence of its type, and every fault ends
// with exactly one OnWriteDone carrying its text.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "base/queued_invoker.h"
#include "burning/burn_job.h"
#include "burning/disc_burner.h"
#include "burning/image_content.h"
#include "tests/drive/recorder_fixture.h"
#include "tests/drive/simulated_sg_system.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using test::TempFolder;
using Bytes = std::vector<std::uint8_t>;

// A burner on a simulated recorder, every wait of the drive layer shortened.
struct BurnBench {
    // Through the kernel's interface (throughSgIo), the recorder is /dev/sr0 of a
    // simulated SG_IO system, and the drive is claimed by an exclusive open.
    explicit BurnBench(MediumKind medium, double timeScale = 0.0001, bool throughSgIo = false)
        : sg(std::make_shared<test::SimulatedSgSystem>()),
          layer(throughSgIo ? std::shared_ptr<SgSystem>(sg) : std::make_shared<test::NoDrives>()) {
        layer.Clock().SetScale(timeScale);
        recorder = std::make_shared<SimulatedRecorder>(folder / "disc.img", &layer.Clock());
        recorder->InsertMedium(medium);
        if (throughSgIo)
            sg->SetRecorder(recorder);
        else
            layer.AddSimulatedDrive("sim0", recorder);
        burner = std::make_unique<TDiscBurner>(layer, &invoker);
        burner->OnDebugMessage = [this](TSCSIDevice&, const std::string& m, std::uint8_t) {
            std::lock_guard lock(logMutex);
            log.push_back(m);
        };
        burner->OnWriteDone = [this](TDiscBurner& sender, const std::string& error) {
            ++events;
            errors.push_back(error);
            doneThread = std::this_thread::get_id();
            burningWhenDone = sender.Burning();
        };
        burner->OnFinalizingTrack = [this](TDiscBurner&) { ++finalizing; };
        EXPECT_TRUE(burner->InitializeASPI(true, ""));
        burner->SetDevice(burner->DeviceList().front());
        burner->ResetImage(65535, 8191);
    }
    ~BurnBench() { burner.reset(); }

    std::string File(const std::string& name, std::size_t size) {
        std::mt19937 random(static_cast<unsigned>(size + name.size()));
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        const auto path = folder / name;
        test::WriteBytes(path, bytes);
        burner->InsertFile("\\", path.string(), false);
        return path.string();
    }

    // Burns as the dialog does; true when the burn ran to its event.
    bool Burn() {
        burner->PrepareImage();
        recorder->ClearCommands();
        started = burner->BurnImage();
        const bool done = invoker.RunUntil([&] { return events > 0; }, std::chrono::seconds(120));
        burner->WaitForBurn();
        invoker.RunPending();
        return done;
    }

    // Forgets the last burn's events and lays out a new session of one file.
    void NextSession(const std::string& name, std::size_t size) {
        events = 0;
        errors.clear();
        burner->ResetImage(65535, 8191);
        File(name, size);
    }

    // The session's bytes as the layout has them.
    Bytes Expected() {
        ImageContent content(*burner);
        Bytes bytes(content.DataBytes() + content.PostGapBytes(), 0);
        std::size_t got = 0;
        std::string error;
        EXPECT_TRUE(content.ReadData(bytes, got, error)) << error;
        return bytes;
    }
    Bytes OnDisc(std::uint64_t lba, std::size_t size) {
        Bytes bytes(size, 0);
        const std::string image = test::ReadBytes(folder / "disc.img");
        for (std::size_t i = 0; i < size && lba * 2048 + i < image.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(image[lba * 2048 + i]);
        return bytes;
    }

    // The commands from the write thread's start (its READ BUFFER CAPACITY) on,
    // without the queries; runs of writes as "2A*".
    std::string Trace() {
        std::ostringstream trace;
        bool started = false, inWrites = false;
        char hex[16];
        for (const Bytes& cdb : recorder->Commands()) {
            const std::uint8_t op = cdb[0];
            if (op == 0x5C) started = true;
            if (!started) continue;
            if (op == 0x00 || op == 0x03 || op == 0x23 || op == 0x25 || op == 0x28 || op == 0x43 ||
                op == 0x46 || op == 0x51 || op == 0x52 || op == 0x5A || op == 0x5C)
                continue;
            if (op == 0x2A) {
                if (!inWrites) trace << " 2A*";
                inWrites = true;
                continue;
            }
            inWrites = false;
            std::snprintf(hex, sizeof hex, " %02X", op);
            trace << hex;
            if (op == 0x1B || op == 0x1E) {
                std::snprintf(hex, sizeof hex, ":%02X", cdb[4]);
                trace << hex;
            } else if (op == 0x35) {
                std::snprintf(hex, sizeof hex, ":%02X", cdb[1]);
                trace << hex;
            } else if (op == 0x5B) {
                std::snprintf(hex, sizeof hex, ":%02X.%02X.%02X", cdb[1], cdb[2], cdb[5]);
                trace << hex;
            }
        }
        const std::string text = trace.str();
        return text.empty() ? text : text.substr(1);
    }

    bool Logged(const std::string& line) {
        std::lock_guard lock(logMutex);
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    TempFolder folder;
    std::shared_ptr<test::SimulatedSgSystem> sg;
    DriveLayer layer;
    QueuedInvoker invoker;
    std::shared_ptr<SimulatedRecorder> recorder;
    std::unique_ptr<TDiscBurner> burner;
    std::mutex logMutex;
    std::vector<std::string> log;
    std::vector<std::string> errors;
    int events = 0;
    int finalizing = 0;
    bool started = false;
    bool burningWhenDone = true;
    std::thread::id doneThread;
};

struct GoodBurn {
    MediumKind Medium;
    const char* Start;  // the line that starts the writing
    const char* Trace;
};

// Every disc type: the written sectors read back as the layout, with the command
// sequence of steps D to F of its type.
TEST(WritePipeline, EveryDiscTypeBurnsItsLayout) {
    const GoodBurn cases[] = {
        {MediumKind::CdR, "CD-R AT 63X (11,080 KB/s)",
         "1B:03 01 BB 55 2A* 35:00 55 5B:01.02.00 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::CdRw, "CD-RW AT 63X (11,080 KB/s)",
         "1B:03 01 BB 55 2A* 35:00 55 5B:01.02.00 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::DvdR, "DVD-R AT 8.0X (11,080 KB/s)",
         "1B:03 01 BB 55 B6 BF 53 2A* 35:02 5B:00.01.01 5B:00.01.02 5B:00.02.03 55 BB 01 1E:00 "
         "1B:03 01"},
        {MediumKind::DvdRwSequential, "DVD-RW AT 8.0X (11,080 KB/s)",
         "1B:03 01 BB 55 2A* 35:00 2A* 35:02 55 5B:01.02.00 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::DvdRwRestrictedOverwrite, "DVD-RW AT 8.0X (11,080 KB/s)",
         "1B:03 01 BB 55 2A* 35:00 2A* 35:02 55 5B:01.02.00 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::DvdPlusRwUnformatted, "DVD+RW AT 8.0X (11,080 KB/s)",
         "1B:03 BB 55 2A* 04 2A* 35:00 2A* 35:00 55 5B:00.03.FF 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::DvdPlusRw, "DVD+RW AT 8.0X (11,080 KB/s)",
         "1B:03 BB 55 2A* 35:00 2A* 35:00 55 5B:00.03.FF 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::DvdPlusR, "DVD+R AT 8.0X (11,080 KB/s)",
         "1B:03 01 BB 55 2A* 35:00 55 5B:00.01.01 5B:00.02.FF 55 BB 01 1E:00 1B:03 01"},
        {MediumKind::DvdRam, "DVD-RAM AT 8.0X (11,080 KB/s)",
         "1B:03 01 BB 2A* 35:00 2A* 35:00 55 BB 01 1E:00 1B:03 01"},
    };
    for (const GoodBurn& c : cases) {
        SCOPED_TRACE(c.Trace);
        BurnBench bench(c.Medium);
        bench.File("eins.mp3", 300000);
        bench.File("zwei.mp3", 2048 * 40 + 17);  // its last sector is padded
        bench.File("leer.mp3", 0);
        ASSERT_TRUE(bench.Burn());
        EXPECT_TRUE(bench.started);
        ASSERT_EQ(bench.events, 1);
        EXPECT_EQ(bench.errors.front(), "");
        EXPECT_EQ(bench.doneThread, std::this_thread::get_id());
        EXPECT_FALSE(bench.burningWhenDone);
        EXPECT_EQ(bench.finalizing, 1);
        const Bytes expected = bench.Expected();
        EXPECT_EQ(expected.size(), bench.burner->ImageSectors() * 2048);
        EXPECT_TRUE(bench.OnDisc(bench.burner->NextWritableAddress(), expected.size()) == expected);
        EXPECT_EQ(bench.burner->BytesWritten, expected.size());
        EXPECT_EQ(bench.Trace(), c.Trace);
        EXPECT_TRUE(bench.Logged(std::string(">>> STARTING WRITE PROCESS ON ") + c.Start));
        // Each WRITE (10) carries one block: 27 sectors on CD, 32 on DVD; only the
        // last block of the data and of the post-gap may be shorter.
        const bool cd = c.Medium == MediumKind::CdR || c.Medium == MediumKind::CdRw;
        EXPECT_EQ(bench.burner->BurnBlockSize(), cd ? 55296u : 65536u);
        EXPECT_EQ(bench.burner->BurnQueueCapacity(), cd ? 75u : 64u);
    }
}

// A session of 200 sectors is followed by 100 sectors of post-gap; the last data
// block carries only its own sectors.
TEST(WritePipeline, ShortSessionsGetThePostGapAndShortLastBlocks) {
    BurnBench bench(MediumKind::CdR);
    ASSERT_TRUE(bench.burner->InsertFile("\\", bench.File("a.mp3", 50 * 2048 - 100), false));
    bench.burner->PrepareImage();
    ASSERT_EQ(bench.burner->Layout().SectorsToWrite, 200u);
    EXPECT_EQ(bench.burner->ImageSectors(), 300u);
    ASSERT_TRUE(bench.Burn());
    EXPECT_EQ(bench.errors.front(), "");
    std::vector<std::uint32_t> sectors;
    for (const Bytes& cdb : bench.recorder->Commands())
        if (cdb[0] == 0x2A) sectors.push_back(cdb[7] << 8 | cdb[8]);
    // 200 sectors: 7 blocks of 27 and one of 11; 100 of post-gap: 3 of 27 and one of 19.
    EXPECT_EQ(sectors,
              (std::vector<std::uint32_t>{27, 27, 27, 27, 27, 27, 27, 11, 27, 27, 27, 19}));
    EXPECT_EQ(bench.burner->BytesWritten, 300u * 2048);
    EXPECT_TRUE(bench.OnDisc(200, 100 * 2048) == Bytes(100 * 2048, 0));
}

struct Fault {
    const char* Name;
    MediumKind Medium;
    std::function<void(BurnBench&)> Inject;
    std::string Error;  // the text OnWriteDone carries
    bool Reset;         // whether the drive was reset at the end
};

// Each fault ends with exactly one OnWriteDone carrying its text; after a failure
// the session stays open and the drive is not reset.
TEST(WritePipeline, FaultsEndWithTheirText) {
    const auto firstDataSector = [](BurnBench& b) {
        b.burner->PrepareImage();
        return b.burner->FirstFileLocation() + 40;  // inside the first file
    };
    const Fault faults[] = {
        {"a write error", MediumKind::CdR,
         [&](BurnBench& b) { b.recorder->FailWriteAt(firstDataSector(b)); },
         "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]", false},
        {"loss of streaming", MediumKind::DvdPlusR,
         [&](BurnBench& b) {
             b.recorder->FailWriteAt(firstDataSector(b), {0x03, 0x0C, 0x09});
         },
         "WRITER ERROR [MEDIUM ERROR (WRITE ERROR - LOSS OF STREAMING)]", false},
        {"not ready on every write", MediumKind::CdR,
         [](BurnBench& b) { b.recorder->FailNextWritesBusy(1000000); }, "WRITER BUSY/BUFFER FULL",
         false},
        {"busy for a while", MediumKind::CdR,
         [](BurnBench& b) { b.recorder->FailNextWritesWithBusyStatus(25); }, "", true},
        {"a failed cache flush", MediumKind::CdR,
         [](BurnBench& b) { b.recorder->FailNextSynchronizeCache(1); }, "", true},
        // The drive reports errors of buffered data at the flush: no success then.
        {"a cache flush that keeps failing", MediumKind::CdR,
         [](BurnBench& b) { b.recorder->FailNextSynchronizeCache(2); },
         "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]", false},
        {"a close that fails once", MediumKind::CdR,
         [](BurnBench& b) { b.recorder->FailNextCloses(1); }, "", true},
        {"a close that keeps failing", MediumKind::CdR,
         [](BurnBench& b) { b.recorder->FailNextCloses(2); },
         "CLOSE TRACK/SESSION FAILED [MEDIUM ERROR (SESSION FIXATION ERROR - INCOMPLETE TRACK IN "
         "SESSION)]",
         true},
        {"a failed power calibration", MediumKind::DvdR,
         [](BurnBench& b) {
             b.burner->PerformOPC = true;
             b.recorder->FailNextOpc(1);
         },
         "", true},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.Name);
        BurnBench bench(fault.Medium, 0.00001);
        bench.File("eins.mp3", 600000);
        bench.File("zwei.mp3", 90000);
        fault.Inject(bench);
        ASSERT_TRUE(bench.Burn());
        EXPECT_TRUE(bench.started);
        ASSERT_EQ(bench.events, 1);
        EXPECT_EQ(bench.errors.front(), fault.Error);
        EXPECT_FALSE(bench.burner->Burning());
        const std::string trace = bench.Trace();
        EXPECT_EQ(trace.find("1E:00 1B:03") != std::string::npos, fault.Reset) << trace;
        if (fault.Error.empty()) {
            const Bytes expected = bench.Expected();
            EXPECT_TRUE(bench.OnDisc(bench.burner->NextWritableAddress(), expected.size()) ==
                        expected);
        }
        if (fault.Error.starts_with("WRITER")) {
            EXPECT_EQ(trace.find("5B"), std::string::npos) << trace;  // no close after it
        }
    }
}

// A source that disappears after it was added: before the cache is full the burn
// does not start; later the writer stops with its name, flushes and closes nothing.
TEST(WritePipeline, ASourceRemovedAfterItWasAdded) {
    {
        BurnBench bench(MediumKind::CdR);
        const std::string gone = bench.File("weg.mp3", 5000);
        std::filesystem::remove(gone);
        // The reader meets it while filling the cache: the burn ends before the
        // drive is written to, with its event from the write thread.
        ASSERT_TRUE(bench.Burn());
        EXPECT_TRUE(bench.started);
        EXPECT_FALSE(bench.burningWhenDone);
        EXPECT_EQ(bench.errors,
                  std::vector<std::string>{"CAN'T OPEN FILE \"" + gone +
                                           "\" OR FILE IS IN USES BY OTHER SOFTWARE"});
        EXPECT_TRUE(bench.recorder->Commands().empty() ||
                    bench.Trace().find("2A") == std::string::npos);
    }
    {
        BurnBench bench(MediumKind::CdR);
        bench.File("gross.mp3", 6 << 20);  // more than the cache holds
        const std::string gone = bench.File("weg.mp3", 5000);
        bench.burner->PrepareImage();
        bench.recorder->ClearCommands();
        // Removed once the writer has started: the reader meets it later.
        bench.burner->OnFinalizingTrack = nullptr;
        bench.started = bench.burner->BurnImage();
        std::filesystem::remove(gone);
        ASSERT_TRUE(
            bench.invoker.RunUntil([&] { return bench.events > 0; }, std::chrono::seconds(60)));
        bench.burner->WaitForBurn();
        EXPECT_TRUE(bench.started);
        EXPECT_EQ(bench.errors,
                  std::vector<std::string>{"CAN'T OPEN FILE \"" + gone +
                                           "\" OR FILE IS IN USES BY OTHER SOFTWARE"});
        const std::string trace = bench.Trace();
        EXPECT_NE(trace.find("35:00"), std::string::npos);  // the drive's cache flushed
        EXPECT_EQ(trace.find("5B"), std::string::npos);     // no close
        EXPECT_EQ(trace.find("1E:00"), std::string::npos);  // no reset
    }
}

// A test write sends every block but closes nothing, writes nothing, and still
// resets the drive.
TEST(WritePipeline, ATestWriteWritesNothingAndClosesNothing) {
    BurnBench bench(MediumKind::CdR);
    bench.burner->TestWrite = true;
    bench.File("a.mp3", 100000);
    ASSERT_TRUE(bench.Burn());
    EXPECT_EQ(bench.errors.front(), "");
    EXPECT_TRUE(bench.Logged(">>> TEST/DUMMY WRITE"));
    const std::string trace = bench.Trace();
    EXPECT_EQ(trace.find("5B"), std::string::npos);
    EXPECT_NE(trace.find("1E:00 1B:03"), std::string::npos);
    EXPECT_EQ(bench.recorder->NextWritableAddress(), 0u);
    EXPECT_EQ(bench.recorder->SessionCount(), 0);
}

// A second session goes behind the first; a drive that another program holds is
// not written to.
TEST(WritePipeline, SessionsFollowEachOther) {
    BurnBench bench(MediumKind::CdR);
    bench.File("a.mp3", 100000);
    ASSERT_TRUE(bench.Burn());
    ASSERT_EQ(bench.errors.front(), "");
    EXPECT_EQ(bench.recorder->SessionCount(), 1);
    const std::uint32_t second = bench.recorder->NextWritableAddress();
    EXPECT_EQ(second, 300u + 11400u);
    bench.NextSession("b.mp3", 70000);
    ASSERT_TRUE(bench.Burn());
    EXPECT_EQ(bench.errors.front(), "");
    EXPECT_EQ(bench.burner->NextWritableAddress(), second);
    const Bytes expected = bench.Expected();
    EXPECT_TRUE(bench.OnDisc(second, expected.size()) == expected);
    EXPECT_EQ(bench.recorder->SessionCount(), 2);
    EXPECT_FALSE(bench.burner->Burning());
}

// A DVD-RW is formatted before the burn, which takes the drive minutes: that wait
// is the write thread's, never the caller's (the window's).
TEST(WritePipeline, TheDvdRwFormatRunsInTheWriteThread) {
    BurnBench bench(MediumKind::DvdRwSequential, 0.01);  // 5 s between polls: 50 ms
    bench.recorder->SetOperationCommands(20);            // the format lasts 20 polls
    bench.File("a.mp3", 100000);
    bench.burner->PrepareImage();
    bench.recorder->ClearCommands();
    ASSERT_TRUE(bench.burner->BurnImage());
    std::size_t polls = 0;
    for (const Bytes& cdb : bench.recorder->Commands()) polls += cdb[0] == 0x51 ? 1 : 0;
    EXPECT_LT(polls, 20u);
    ASSERT_TRUE(bench.invoker.RunUntil([&] { return bench.events > 0; }, std::chrono::seconds(60)));
    bench.burner->WaitForBurn();
    EXPECT_EQ(bench.errors.front(), "");
    const Bytes expected = bench.Expected();
    EXPECT_TRUE(bench.OnDisc(bench.burner->NextWritableAddress(), expected.size()) == expected);
}

// The write thread reads the tree and header until it ends: the dialog's buttons
// cannot change them underneath it.
TEST(WritePipeline, TheImageStaysAsItIsWhileBurning) {
    BurnBench bench(MediumKind::CdR, 0.02);
    bench.File("a.mp3", 3'000'000);
    bench.burner->PrepareImage();
    const std::size_t sectors = bench.burner->ImageSectors();
    ASSERT_TRUE(bench.burner->BurnImage());
    ASSERT_TRUE(bench.burner->Burning());
    EXPECT_FALSE(bench.burner->BurnImage());
    EXPECT_FALSE(bench.burner->ResetImage(65535, 8191));
    const std::string other = (bench.folder / "b.mp3").string();
    test::WriteBytes(other, "xyz");
    EXPECT_EQ(bench.burner->InsertFile("\\", other, false), 0);
    EXPECT_EQ(bench.burner->AddDirectory(bench.burner->Root(), "NEU", Now()), nullptr);
    EXPECT_FALSE(bench.burner->PrepareImageAt(5000));
    EXPECT_FALSE(bench.burner->PrepareImage());
    EXPECT_EQ(bench.burner->Files().size(), 1u);
    ASSERT_TRUE(
        bench.invoker.RunUntil([&] { return bench.events > 0; }, std::chrono::seconds(120)));
    bench.burner->WaitForBurn();
    EXPECT_EQ(bench.errors.front(), "");
    const Bytes expected = bench.Expected();
    EXPECT_EQ(expected.size(), sectors * 2048);
    EXPECT_TRUE(bench.OnDisc(0, expected.size()) == expected);
    EXPECT_TRUE(bench.burner->ResetImage(65535, 8191));
}

// A source that grew after it was added would be burned cut to its old length:
// the burn fails before the drive is written to.
TEST(WritePipeline, ASourceThatGrewFailsTheBurn) {
    BurnBench bench(MediumKind::CdR);
    const std::string grown = bench.File("wächst.mp3", 5000);
    std::ofstream(grown, std::ios::app) << "more";
    ASSERT_TRUE(bench.Burn());
    ASSERT_EQ(bench.events, 1);
    EXPECT_NE(bench.errors.front().find("SIZE HAS CHANGED SINCE IT WAS ADDED"), std::string::npos)
        << bench.errors.front();
    EXPECT_EQ(bench.Trace().find("2A"), std::string::npos);
}

// DVD+R, DVD+RW and DVD-RAM have no test mode, and a drive that does not take the
// test-write bit would write for real: such a test write is refused before a block
// is written, and never logged as one.
TEST(WritePipeline, ATestWriteOnlyWhereMediumAndDriveHaveOne) {
    const std::pair<MediumKind, std::string> refused[] = {
        {MediumKind::DvdPlusR, "NO TEST WRITE ON DVD+R"},
        {MediumKind::DvdPlusRw, "NO TEST WRITE ON DVD+RW"},
        {MediumKind::DvdRam, "NO TEST WRITE ON DVD-RAM"},
        {MediumKind::DvdRwSequential, "THE DRIVE DOES NOT TAKE A TEST WRITE ON DVD-RW"}};
    for (const auto& [medium, error] : refused) {
        SCOPED_TRACE(error);
        BurnBench bench(medium);
        bench.burner->TestWrite = true;
        bench.File("a.mp3", 100000);
        ASSERT_TRUE(bench.Burn());
        ASSERT_EQ(bench.events, 1);
        EXPECT_EQ(bench.errors.front(), error);
        EXPECT_FALSE(bench.Logged(">>> TEST/DUMMY WRITE"));
        for (const Bytes& cdb : bench.recorder->Commands()) EXPECT_NE(cdb[0], 0x2A);
    }
    // The simulated recorder refuses the bit on those media as drives do.
    BurnBench bench(MediumKind::DvdPlusRw);
    EXPECT_FALSE(bench.burner->SetWriteParameters(true, true, dtCdR));
    EXPECT_EQ(bench.burner->LastErrorText(), "ILLEGAL REQUEST (INVALID FIELD IN PARAMETER LIST)");
}

// A burn whose OnWriteDone has not reached the main thread yet still owns the
// burner: a second BurnImage is refused at once (without waiting for anything)
// and the first burn's event comes exactly once.
TEST(WritePipeline, ASecondBurnWaitsForTheFirstOnesEvent) {
    BurnBench bench(MediumKind::CdR);
    bench.File("a.mp3", 100000);
    bench.burner->PrepareImage();
    ASSERT_TRUE(bench.burner->BurnImage());
    bench.burner->WaitForBurn();  // ended; its event is queued, not run
    EXPECT_FALSE(bench.burner->Burning());
    EXPECT_FALSE(bench.burner->BurnImage());
    EXPECT_EQ(bench.events, 0);
    bench.invoker.RunPending();
    EXPECT_EQ(bench.events, 1);
    EXPECT_EQ(bench.errors.front(), "");
    bench.burner->ResetImage(65535, 8191);
    bench.File("b.mp3", 1000);
    ASSERT_TRUE(bench.Burn());
    EXPECT_EQ(bench.events, 2);
}

// A drive another program holds, or one the user may not write to, is never
// written to, and the burn says which; the disc is not the burn's to eject.
TEST(WritePipeline, ARefusedClaimSaysWhyAndLeavesTheDisc) {
    for (const int error : {EBUSY, EACCES}) {
        BurnBench bench(MediumKind::CdR);
        bench.recorder->SetExclusiveOpenError(error);
        bench.File("a.mp3", 1000);
        ASSERT_TRUE(bench.Burn());
        EXPECT_FALSE(bench.started);
        ASSERT_EQ(bench.events, 1);
        EXPECT_EQ(bench.errors.front().find(error == EBUSY ? "DRIVE IN USE"
                                                           : "NO PERMISSION TO WRITE TO THE DRIVE"),
                  0u)
            << bench.errors.front();
        EXPECT_FALSE(bench.burner->BurnClaimedDrive());
        EXPECT_EQ(bench.recorder->Medium(), MediumKind::CdR);
    }
}

// The drive claimed through the kernel's interface, an exclusive open of
// /dev/sr0: held by another program (EBUSY), the burn is refused with exactly one
// event that says so and not one SCSI command reaches the drive; a good burn holds
// the drive exclusively while it writes and lets it go at its end, so the next one
// can claim it again.
TEST(WritePipeline, TheExclusiveClaimRefusesAHeldDriveAndIsReleasedAfterABurn) {
    BurnBench bench(MediumKind::CdR, 0.0001, true);
    bench.File("a.mp3", 100000);
    bench.sg->RefuseExclusiveOpen(EBUSY);
    ASSERT_TRUE(bench.Burn());
    EXPECT_FALSE(bench.started);
    ASSERT_EQ(bench.events, 1);
    EXPECT_EQ(bench.errors.front().find("DRIVE IN USE"), 0u) << bench.errors.front();
    EXPECT_TRUE(bench.recorder->Commands().empty());  // the drive was never spoken to
    EXPECT_EQ(bench.recorder->SessionCount(), 0);
    EXPECT_EQ(bench.sg->ExclusiveOpens(), 0);

    bench.sg->RefuseExclusiveOpen(0);
    bench.events = 0;
    bench.errors.clear();
    ASSERT_TRUE(bench.Burn());
    EXPECT_TRUE(bench.started);
    ASSERT_EQ(bench.events, 1);
    EXPECT_EQ(bench.errors.front(), "");
    EXPECT_EQ(bench.recorder->SessionCount(), 1);
    EXPECT_EQ(bench.sg->ExclusiveOpens(), 1);
    EXPECT_EQ(bench.sg->ExclusiveHandles(), 0);  // released at the end
    EXPECT_TRUE(bench.burner->BurnClaimedDrive());  // this burn had the drive

    bench.NextSession("b.mp3", 1000);
    ASSERT_TRUE(bench.Burn());
    EXPECT_EQ(bench.errors.front(), "");
    EXPECT_EQ(bench.recorder->SessionCount(), 2);
    EXPECT_EQ(bench.sg->ExclusiveOpens(), 2);
    EXPECT_EQ(bench.sg->ExclusiveHandles(), 0);
}

// A DVD-RW is formatted before it is written, as the drive sees it through the
// kernel's interface: exactly one FORMAT UNIT with the parameter list of the disc's
// type, sent before the first WRITE; the format's time is waited out by polling
// the disc information (the format lasts 20 polls); afterwards the disc is in
// restricted overwrite and holds the session's bytes.
TEST(WritePipeline, ADvdRwIsFormattedOnceBeforeTheFirstWrite) {
    const Bytes sequentialList = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
    const Bytes restrictedList = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
    for (const MediumKind medium : {MediumKind::DvdRwSequential, MediumKind::DvdRwRestrictedOverwrite}) {
        BurnBench bench(medium, 0.001, true);
        bench.recorder->SetOperationCommands(20);
        bench.File("a.mp3", 100000);
        ASSERT_TRUE(bench.Burn());
        ASSERT_EQ(bench.errors.front(), "");
        const auto sent = bench.sg->SentCommands();
        std::vector<std::size_t> formats;
        std::size_t firstWrite = sent.size();
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (sent[i].Cdb[0] == 0x04) formats.push_back(i);
            if (sent[i].Cdb[0] == 0x2A && firstWrite == sent.size()) firstWrite = i;
        }
        ASSERT_EQ(formats.size(), 1u);
        ASSERT_LT(formats[0], firstWrite);
        EXPECT_EQ(sent[formats[0]].Cdb[1], 0x11);  // a parameter list follows, format data
        EXPECT_EQ(sent[formats[0]].Data,
                  medium == MediumKind::DvdRwSequential ? sequentialList : restrictedList);
        std::size_t polls = 0;
        for (std::size_t i = formats[0]; i < firstWrite; ++i) polls += sent[i].Cdb[0] == 0x51 ? 1 : 0;
        EXPECT_GE(polls, 20u);
        EXPECT_EQ(bench.recorder->Medium(), MediumKind::DvdRwRestrictedOverwrite);
        const Bytes expected = bench.Expected();
        EXPECT_TRUE(bench.OnDisc(bench.burner->NextWritableAddress(), expected.size()) == expected);
    }
}

// A drive that refuses the format list of the disc's type gets the quick format's
// list next, and the burn goes on.
TEST(WritePipeline, ARefusedFormatFallsBackToTheQuickFormat) {
    BurnBench bench(MediumKind::DvdRwSequential, 0.001, true);
    bench.sg->RefuseNext(0x04);
    bench.File("a.mp3", 100000);
    ASSERT_TRUE(bench.Burn());
    EXPECT_EQ(bench.errors.front(), "");
    std::vector<Bytes> lists;
    for (const auto& command : bench.sg->SentCommands())
        if (command.Cdb[0] == 0x04) lists.push_back(command.Data);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0][8], 0x54);  // the sequential disc's own list first
    EXPECT_EQ(lists[1], (Bytes{0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x54, 0x00, 0x00, 0x10}));
    EXPECT_EQ(bench.recorder->Medium(), MediumKind::DvdRwRestrictedOverwrite);
}

}  // namespace
}  // namespace tv
