// The tool window driven in-process: settings paths, captions, panels, the job protocol and
// logging from several threads.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>

#include "Tarvel/shell/logbatch.h"
#include "Tarvel/shell/mainWin.h"
#include "forms/application.h"
#include "forms/exception.h"
#include "forms/main_thread.h"
#include "pump.h"

namespace {

// Opens the window's protected state to the tests.
class TestWindow : public TmForm {
public:
    using TmForm::busy;
    using TmForm::canceled;
    using TmForm::closeWhenDone;
    using TmForm::count;
    using TmForm::hadError;
    using TmForm::lastCount;
    using TmForm::startTime;
    using TmForm::worker;
    void SetJob(std::function<void()> j) { job = std::move(j); }

    // Counts end notifications and refused starts.
    void OnThreadDone() override {
        ++ends;
        TmForm::OnThreadDone();
        ++handled;  // the window takes jobs again once this returns
    }
    void Log(const std::string& text) override {
        if (text == "ERROR: Thread working" || text == "ERROR: Program working") ++refused;
        TmForm::Log(text);
    }
    std::atomic<int> ends{0};
    std::atomic<int> handled{0};
    std::atomic<int> refused{0};
};

class Event {
public:
    Event() : h(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(h); }
    void Set() { SetEvent(h); }
    bool Wait(DWORD ms = 5000) { return WaitForSingleObject(h, ms) == WAIT_OBJECT_0; }

private:
    HANDLE h;
};

std::string TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    return base;
}

std::string WriteFile(const std::string& name, const std::string& text) {
    std::string path = TempFolder() + "window_test_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ToolWindow : public ::testing::Test {
protected:
    void TearDown() override {
        if (w) {
            if (w->worker) w->worker->WaitFor();
            PumpUntil([this] { return !w->busy; }, 2000);
        }
        w.reset();
        Application.SetParams({});
        for (auto& f : files) DeleteFileA(f.c_str());
    }
    // A window started with the given command line.
    void Start(std::vector<std::string> params) {
        Application.SetParams(std::move(params));
        w = std::make_unique<TestWindow>();
        w->InitFromCommandLine();
    }
    std::string Settings(const std::string& text) {
        files.push_back(WriteFile("settings.set", text));
        return files.back();
    }
    std::vector<std::string> Memo() { return w->mInfo->Lines(); }
    std::string Panel(int i) { return w->sbMain->PanelText(i); }
    bool Idle() { return !w->busy && !w->worker; }

    std::unique_ptr<TestWindow> w;
    std::vector<std::string> files;
};

TEST_F(ToolWindow, StartedWithoutArguments) {
    Start({});
    EXPECT_EQ(Memo(), std::vector<std::string>{"No settings file"});
    EXPECT_EQ(w->Text(), "Idle - Vodover");
    EXPECT_EQ(Application.Title(), "Idle - Vodover");
    EXPECT_EQ(w->sbMain->PanelCount(), 6);
    EXPECT_EQ(Panel(1), "");  // no priority change yet
    EXPECT_EQ(Panel(5), "Version:  1.2  Build:  3.4     ");
    EXPECT_FALSE(w->btCancel->Enabled());
    EXPECT_EQ(w->GetStep2(), 30000);
}

TEST_F(ToolWindow, MissingSettingsFileIsLoggedAndDefaultsApply) {
    Start({"Z:\\no\\such.set"});
    EXPECT_EQ(Memo(), (std::vector<std::string>{"Can not Init Settings: Z:\\no\\such.set",
                                                "Error: Can not open file: Z:\\no\\such.set"}));
    EXPECT_EQ(w->GetSettings()->GetInt("close", 5), 5);
}

TEST_F(ToolWindow, InitSettingsWithoutArgumentsFailsOnTheEmptyName) {
    Start({});
    w->InitSettings("anything.set");  // the text only says a file is wanted
    auto memo = Memo();
    ASSERT_EQ(memo.size(), 3u);
    EXPECT_EQ(memo[1], "Can not Init Settings: ");
    EXPECT_EQ(memo[2], "Error: Can not open file: ");
}

TEST_F(ToolWindow, SettingsKeysAndTheInfoFile) {
    std::string info = TempFolder() + "window_test_info_" + std::to_string(GetCurrentProcessId()) + ".log";
    files.push_back(info);
    Start({Settings("info = " + info + "\nstep2 = 7\nnoWarning = 1\n")});
    EXPECT_EQ(Memo(), std::vector<std::string>{"Initialized"});
    EXPECT_EQ(w->GetStep2(), 7);

    w->Log("plain");
    w->LogWarning("quiet");  // noWarning: the info file only
    w->LogError("bad");
    const std::string longLine(3000, 'z');  // the memo shows its beginning, the file all of it
    w->Log(longLine);
    EXPECT_TRUE(w->hadError);
    EXPECT_EQ(Memo(), (std::vector<std::string>{"Initialized", "plain", "ERROR: bad",
                                                std::string(TMemo::MaxLineLength - 4, 'z') + " ..."}));
    // The file opens before "Initialized" is logged; only earlier messages miss it.
    EXPECT_EQ(ReadLines(info),
              (std::vector<std::string>{"Initialized", "plain", "WARNING: quiet", "ERROR: bad", longLine}));
}

TEST_F(ToolWindow, WarningsWithoutNoWarningGoToTheMemo) {
    Start({Settings("step1 = 3\n")});
    w->LogWarning("loud");
    EXPECT_TRUE(Contains(Memo(), "WARNING: loud"));
    EXPECT_FALSE(w->hadError);
}

TEST_F(ToolWindow, CaptionFollowsBusyAndKeepsTheLastTitle) {
    Start({});
    w->busy = true;
    w->SetCaption("Loading", 5);
    EXPECT_EQ(w->Text(), "5 - Loading");
    w->SetCaption("", 7);
    EXPECT_EQ(w->Text(), "7 - Loading");
    EXPECT_EQ(Application.Title(), "7 - Loading");
    w->busy = false;
    w->SetCaption("", 9);
    EXPECT_EQ(w->Text(), "Idle - Vodover");
}

TEST_F(ToolWindow, StatusPanelsReadBackFromTheControl) {
    Start({});
    w->SetDone(5);
    EXPECT_EQ(Panel(0), "Done: 5");
    EXPECT_EQ(Panel(3), "");

    w->startTime = std::time(nullptr) - 3725;
    w->count = 10;
    w->lastCount = 4;
    w->ShowElapsed();
    EXPECT_EQ(Panel(2), "01:02:05");
    EXPECT_EQ(Panel(3), "6/sec");
    EXPECT_EQ(w->lastCount, 10);
    std::string mem = Panel(4);
    ASSERT_GT(mem.size(), 2u);
    EXPECT_EQ(mem.substr(mem.size() - 2), "kb");
    EXPECT_GT(std::stoul(mem), 0u);

    w->count = 3;  // a new job reset the count
    w->ShowElapsed();
    EXPECT_EQ(Panel(3), "");

    w->startTime = std::time(nullptr) - 360000;
    w->ShowElapsed();
    EXPECT_EQ(Panel(2), "100:00:00");

    w->ShowPriority();
    EXPECT_EQ(Panel(1).rfind("Priority: ", 0), 0u);
}

TEST_F(ToolWindow, JobThatReturnsAtOnce) {
    Start({});
    bool ran = false;
    w->SetJob([&] { ran = true; });
    w->StartWorker();
    EXPECT_TRUE(w->busy);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(Panel(0), "Done: 0");
    EXPECT_EQ(Panel(3), "");
    EXPECT_FALSE(w->btCancel->Enabled());
    EXPECT_EQ(w->Text(), "Idle - Vodover");

    // The next job gets a new thread.
    ran = false;
    w->StartWorker();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_TRUE(ran);
}

TEST_F(ToolWindow, JobThatRaisesReturnsToIdle) {
    Start({});
    w->SetJob([] { throw Exception("job failed"); });
    w->StartWorker();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_FALSE(Contains(Memo(), "job failed"));
    EXPECT_FALSE(w->hadError);
}

TEST_F(ToolWindow, SecondStartIsRefused) {
    Start({});
    Event started, release;
    int runs = 0;
    w->SetJob([&] {
        ++runs;
        started.Set();
        release.Wait();
    });
    w->StartWorker();
    ASSERT_TRUE(started.Wait());
    w->StartWorker();
    EXPECT_EQ(Memo().back(), "ERROR: Thread working");
    EXPECT_TRUE(w->btCancel->Enabled());

    // Returned, end not yet delivered: busy refuses.
    release.Set();
    while (w->worker->Working) Sleep(1);
    w->StartWorker();
    EXPECT_EQ(Memo().back(), "ERROR: Program working");
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(runs, 1);
}

// Starts that arrive while jobs end (some inside the end handling itself): each is refused or
// runs, each job's end is handled once, and the window comes back to idle.
TEST_F(ToolWindow, StartsArrivingWhileJobsEndAreRefusedOrRun) {
    Start({});
    constexpr int kStarts = 400;
    std::atomic<int> ran{0};
    int asked = 0;
    w->SetJob([&] { ++ran; });
    std::thread clicks([&] {
        for (int i = 0; i < kStarts; ++i) {
            forms::PostToMainThread([&] {
                ++asked;
                w->StartWorker();
            });
            Sleep(i % 3);
            // The second half comes after a job's end has been handled, however slow the machine
            // is: the starts that the end's own window updates let in are refused.
            if (i == kStarts / 2) AwaitAtLeast(w->handled, 1);
        }
    });
    bool settled = PumpUntil([&] { return asked == kStarts && Idle(); }, 60000);
    clicks.join();
    ASSERT_TRUE(settled) << "asked " << asked << ", ran " << ran << ", ends " << w->ends;
    EXPECT_EQ(kStarts, ran + w->refused);
    EXPECT_EQ(ran, w->ends);
    EXPECT_GT(ran, 1);
}

TEST_F(ToolWindow, CancelIsLoggedAndKeepsTheWindowOpen) {
    Start({Settings("close = 1\n")});
    w->Show();
    w->FormActivate();
    EXPECT_TRUE(w->closeWhenDone);
    Event release;
    w->SetJob([&] { release.Wait(); });
    w->StartWorker();
    EXPECT_TRUE(w->btCancel->Enabled());
    SendMessageA(w->btCancel->Handle(), BM_CLICK, 0, 0);  // as a press does
    EXPECT_EQ(Memo().back(), "Canceling");
    EXPECT_FALSE(w->btCancel->Enabled());
    EXPECT_TRUE(w->busy);  // the job runs on
    release.Set();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(Memo().back(), "Canceled");
    EXPECT_TRUE(w->Visible());
    EXPECT_FALSE(w->canceled);
}

TEST_F(ToolWindow, CloseWhenDoneClosesAfterACleanJob) {
    Start({Settings("close = 1\n")});
    w->Show();
    w->FormActivate();
    w->SetJob([] {});
    w->StartWorker();
    ASSERT_TRUE(PumpUntil([&] { return !w->busy; }));
    EXPECT_FALSE(w->Visible());
}

TEST_F(ToolWindow, CloseWhenDoneStaysOpenAfterAnError) {
    Start({Settings("close = 1\n")});
    w->Show();
    w->FormActivate();
    w->SetJob([this] { w->LogError("from the job"); });
    w->StartWorker();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_TRUE(w->Visible());
    EXPECT_TRUE(Contains(Memo(), "ERROR: from the job"));
    EXPECT_TRUE(w->hadError);  // until the next start
    w->SetJob([] {});
    w->StartWorker();
    EXPECT_FALSE(w->hadError);
}

TEST_F(ToolWindow, ClosingWhileBusyIsRefused) {
    Start({});
    w->Show();
    Event release;
    w->SetJob([&] { release.Wait(); });
    w->StartWorker();
    // Answer the message box from another thread once it shows its text; keep pressing OK
    // until it is gone.
    std::string boxText;
    std::thread answer([&] {
        for (int i = 0; i < 1000; ++i) {
            HWND box = FindWindowA("#32770", nullptr);
            if (box && IsWindowVisible(box)) {
                char buf[256] = {};
                GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
                if (buf[0]) {
                    boxText = buf;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
            } else if (!boxText.empty()) {
                break;
            }
            Sleep(10);
        }
    });
    w->Close();
    answer.join();
    EXPECT_EQ(boxText, "Still working");
    EXPECT_TRUE(w->Visible());
    release.Set();
}

TEST_F(ToolWindow, LinesFromThreeThreadsKeepTheirOrder) {
    std::string info = TempFolder() + "window_test_order_" + std::to_string(GetCurrentProcessId()) + ".log";
    files.push_back(info);
    Start({Settings("info = " + info + "\n")});
    constexpr int N = 300;
    Event go;
    std::thread other([&] {
        go.Wait();
        for (int i = 0; i < N; ++i) w->Log("t " + std::to_string(i));
    });
    w->SetJob([&] {
        go.Wait();
        for (int i = 0; i < N; ++i) w->Log("w " + std::to_string(i));
    });
    w->StartWorker();
    go.Set();
    for (int i = 0; i < N; ++i) w->Log("m " + std::to_string(i));
    other.join();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));

    auto memo = Memo();
    auto file = ReadLines(info);
    EXPECT_EQ(memo, file);  // one order in both
    EXPECT_EQ(memo.size(), 1u + 3 * N);
    for (char who : {'m', 'w', 't'}) {
        int next = 0;
        for (const auto& l : memo)
            if (l.size() > 2 && l[0] == who && l[1] == ' ') {
                EXPECT_EQ(l, std::string(1, who) + " " + std::to_string(next));
                ++next;
            }
        EXPECT_EQ(next, N) << who;
    }
}

// A thread that logs on and on while the main thread runs no messages leaves one bounded batch:
// a run of one line keeps its first copies, then a count; past the cap on the lines held, a count
// of the rest. A run that goes on over batches shows its count at the count timer's tick only.
// The file holds the same lines as the memo, in the same order.
TEST_F(ToolWindow, AFloodOfLinesFromAnotherThreadIsCountedInItsPlace) {
    std::string info = TempFolder() + "window_test_flood_" + std::to_string(GetCurrentProcessId()) + ".log";
    files.push_back(info);
    Start({Settings("info = " + info + "\n")});
    constexpr int Repeats = 5000, Distinct = 2000;
    std::thread other([&] {
        w->Log("before");
        for (int i = 0; i < Repeats; ++i) w->Log("again");
        w->Log("after");
        for (int i = 0; i < Distinct; ++i) w->Log("d " + std::to_string(i));
    });
    other.join();
    forms::DrainMainThread();

    std::vector<std::string> expected{"Initialized", "before"};
    expected.insert(expected.end(), TLogBatch::ShownRepeats, "again");
    expected.push_back("... " + std::to_string(Repeats - TLogBatch::ShownRepeats) + " more lines like this");
    expected.push_back("after");
    const size_t held = TLogBatch::MaxHeld - (expected.size() - 1);
    for (size_t i = 0; i < held; ++i) expected.push_back("d " + std::to_string(i));
    expected.push_back("... " + std::to_string(Distinct - held) + " more lines");
    // A run that goes on into the next batch shows only its count there.
    std::thread more([&] {
        for (int i = 0; i < 2 * TLogBatch::ShownRepeats; ++i) w->Log("d " + std::to_string(Distinct));
    });
    more.join();
    forms::DrainMainThread();
    std::thread still([&] {
        for (int i = 0; i < 3; ++i) w->Log("d " + std::to_string(Distinct));
    });
    still.join();
    forms::DrainMainThread();
    expected.insert(expected.end(), TLogBatch::ShownRepeats, "d " + std::to_string(Distinct));
    EXPECT_EQ(Memo(), expected);  // no count per batch: the memo is not touched while the run goes on
    ASSERT_TRUE(w->countTimer.Enabled());
    w->countTimer.OnTimer();
    forms::DrainMainThread();
    expected.push_back("... " + std::to_string(TLogBatch::ShownRepeats + 3) + " more lines like this");
    w->countTimer.OnTimer();  // nothing more to count
    EXPECT_FALSE(w->countTimer.Enabled());
    w->Log("end");
    expected.push_back("end");
    EXPECT_EQ(Memo(), expected);
    EXPECT_EQ(ReadLines(info), expected);
}

TEST_F(ToolWindow, UpdatesFromAnotherThreadApplyInTheirOrder) {
    Start({});
    std::thread other([this] {
        w->SetDone(5);
        w->SetDone(0);
        w->ResetProgress();
        w->StopProgress();
    });
    other.join();
    forms::DrainMainThread();
    EXPECT_EQ(Panel(0), "Done: 0");      // the later update wins
    EXPECT_FALSE(w->timer.Enabled());    // StopProgress came after ResetProgress
}

TEST_F(ToolWindow, WorkerLogsWhileTheMainThreadWaits) {
    Start({});
    w->SetJob([this] {
        for (int i = 0; i < 100; ++i) w->Log("line " + std::to_string(i));
        w->SetCount(100);
        w->SetCaption("Working", 1);
        w->UpdateButtons();
    });
    w->StartWorker();
    w->worker->WaitFor();  // no messages run meanwhile: the worker must not need them
    EXPECT_EQ(w->count, 100);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    auto memo = Memo();
    ASSERT_EQ(memo.size(), 101u);
    EXPECT_EQ(memo.back(), "line 99");
}

TEST_F(ToolWindow, IdlePriorityShowsItsChangesInThePanel) {
    // A threshold far above any idle time: the first tick sets the idle class.
    Start({Settings("idleSec = 1000000\n")});
    EXPECT_EQ(Panel(1), "");
    bool shown = PumpUntil([&] { return Panel(1) == "Priority: Low"; }, 3000);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    EXPECT_TRUE(shown) << Panel(1);
}

TEST_F(ToolWindow, TimerRefreshesTheStatusOnceASecond) {
    Start({});
    Event release;
    w->SetJob([&] {
        w->SetCount(42);
        release.Wait();
    });
    w->StartWorker();
    ASSERT_TRUE(PumpUntil([&] { return Panel(0) == "Done: 42"; }, 3000));
    EXPECT_EQ(Panel(2).substr(0, 6), "00:00:");
    EXPECT_EQ(Panel(3), "42/sec");
    EXPECT_EQ(w->Text(), "42 - Vodover");
    release.Set();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(Panel(0), "Done: 0");
}

}  // namespace
