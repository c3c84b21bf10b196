// The tool window: log memo, Cancel button, six-panel status bar, the program's settings, the
// info log, the idle-time priority and one job at a time on a worker thread.
//
// Threads: the engine, the worker and the channel threads call Log, LogWarning, LogError and
// SetCount, and jobs update the caption, progress and buttons, from any thread. The rule: no
// thread but the main one touches a control, and no thread ever waits for the main thread.
// A log line is written to the info file at once, under a lock, and in the same locked step its
// memo line is queued for the main thread (lines from other threads join one bounded batch
// instead, which a flood summarises as counts); window updates from other threads are queued the
// same way. The main thread applies the queue in order, from its message loop or before any
// update of its own, so the memo and the file hold the lines in the one order they were logged.
// SetCount and the flags are plain atomic values.
#pragma once
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Tarvel/shell/gothread.h"
#include "Tarvel/shell/logbatch.h"
#include "Tarvel/shell/priority.h"
#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/toolops.h"
#include "forms/button.h"
#include "forms/form.h"
#include "forms/memo.h"
#include "forms/panel.h"
#include "forms/status_bar.h"
#include "forms/timer.h"

class TmForm : public TForm, public TToolOps {
public:
    TmForm();
    ~TmForm() override;

    virtual bool InitFromCommandLine();
    bool InitSettings(const std::string& file) override;
    virtual void SetCaption(const std::string& text, int n);
    void Log(const std::string& text) override;
    void LogWarning(const std::string& text) override;
    void LogError(const std::string& text) override;
    virtual void SetDone(int n);
    virtual void ShowDone();
    virtual void ShowPriority();
    virtual void UpdateButtons();
    virtual bool IsCanceled();
    void SetCount(int n) override;
    virtual int GetStep2();
    virtual void ShowVersion();
    virtual void OnThreadDone();
    virtual void TextHook(const std::string& text);

    TSettings* GetSettings() override;
    void ShowElapsed();
    // Hands job to a new worker thread, or refuses while a job runs or its end is being handled
    // (one job at a time, its end included). accepted runs once the job is taken, before any
    // window message can run.
    void StartWorker(const std::function<void()>& accepted = nullptr);
    void ResetProgress();
    void StopProgress();

    void btCancelClick();
    void FormActivate();
    void timerTimer();
    // Once a second while other threads' lines run on as one repeated line: its count so far
    // shows as one line. A tick with nothing to count stops the timer.
    void countTimerTimer();
    void FormClose(bool& canClose);

    // Components, parents before children.
    std::unique_ptr<TStatusBar> sbMain;
    TTimer timer;
    TTimer countTimer;
    std::unique_ptr<TPanel> Panel2;
    std::unique_ptr<TMemo> mInfo;
    std::unique_ptr<TPanel> Panel1;
    std::unique_ptr<TButton> btCancel;

    enum Panel { pnDone, pnPriority, pnElapsed, pnRate, pnMemory, pnVersion };

protected:
    // From another thread: queues fn for the main thread and answers true (the caller returns).
    // On the main thread: applies what was queued before and answers false (go on at once).
    // An override that touches controls and may run on a worker starts the same way:
    //   if (HandOver([this] { UpdateButtons(); })) return;
    bool HandOver(std::function<void()> fn);
    void WriteInfo(const std::string& line);  // under infoLock
    // A job was taken and its end is not yet fully handled (main thread).
    bool JobRunning() const { return jobActive; }
    // The end of a job that every window does: "Canceled", then close or back to idle.
    void FinishJob();

    std::unique_ptr<TSettings> settings = std::make_unique<TSettings>();
    FILE* infoFile = nullptr;
    bool settingsOk = false;
    std::atomic<bool> busy{false};
    std::atomic<bool> hadError{false};
    std::atomic<bool> closeWhenDone{false};
    std::atomic<bool> canceled{false};
    std::string busyTitle = "Vodover";
    std::string idleName = "Vodover";
    std::unique_ptr<TAppPriority> priority = std::make_unique<TAppPriority>();
    std::function<void()> job;
    std::unique_ptr<TGoThread> worker;
    int step1 = 100;
    int step2 = 1000;
    std::atomic<int> count{0};
    int lastCount = 0;
    std::time_t startTime = 0;
    std::atomic<bool> noWarning{true};

private:
    // The worker's end notification: takes the ended worker over before anything else runs, lets
    // OnThreadDone handle the end, then frees that worker and no other.
    void ThreadEnded();
    void Write(const std::string& text, bool memo);
    // Under infoLock: writes the batch's last `added` lines to the info file.
    void WriteAdded(const TLogBatch& batch, size_t added);
    // Under infoLock: no line joins the pending batch any more; its counts are written.
    void SealPending();
    // Under infoLock: the last `added` lines of `next` (counts of its run) go to the file and,
    // in their turn, to the memo.
    void ShowAddedToNext(size_t added);
    void ShowBatch(const TLogBatch& batch);  // the pending batch's closure, main thread

    std::mutex infoLock;  // the info file, and the order of log lines
    std::shared_ptr<TLogBatch> pending;  // under infoLock: the batch that other threads' lines join
    TLogBatch next;                      // under infoLock: where the next batch starts (an open run)
    // Set from the moment a start is taken until its end has been handled: a start that a
    // message runs meanwhile (inside OnThreadDone too) is refused, and a worker exists only
    // while it is set.
    bool jobActive = false;
};
