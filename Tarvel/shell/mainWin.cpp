#include "Tarvel/shell/mainWin.h"

#include <windows.h>

#include <vector>

#include "Tarvel/shell/settings_check.h"
#include "Tarvel/shell/utils.h"
#include "forms/application.h"
#include "forms/dialogs.h"
#include "forms/main_thread.h"

namespace {

TFormDesc WindowDesc() {
    TFormDesc d;
    d.caption = "Vodover";
    d.bounds = {20, 203, 753, 369};
    d.fontName = "MS Sans Serif";
    d.fontHeight = -11;
    return d;
}

}  // namespace

TmForm::TmForm() : TForm(WindowDesc()) {
    sbMain = std::make_unique<TStatusBar>(*this, 19,
                                          std::vector<TStatusPanel>{{150, TAlignment::Left},
                                                                    {100, TAlignment::Left},
                                                                    {100, TAlignment::Left},
                                                                    {100, TAlignment::Left},
                                                                    {100, TAlignment::Right},
                                                                    {50, TAlignment::Right}});
    timer.OnTimer = [this] { timerTimer(); };
    countTimer.OnTimer = [this] { countTimerTimer(); };
    Panel2 = std::make_unique<TPanel>(*this, TBounds{}, TAlign::Client, false);
    mInfo = std::make_unique<TMemo>(*Panel2, TBounds{}, TAlign::Client);
    Panel1 = std::make_unique<TPanel>(*Panel2, TBounds{0, 0, 0, 41}, TAlign::Top);
    btCancel = std::make_unique<TButton>(*Panel1, TBounds{648, 8, 75, 25}, "Cancel");
    btCancel->OnClick = [this] { btCancelClick(); };
    btCancel->SetEnabled(false);  // idle: nothing to cancel
    OnActivate = [this] { FormActivate(); };
    OnCloseQuery = [this](bool& canClose) { FormClose(canClose); };
    Realign();
}

TmForm::~TmForm() {
    EndPosting();
    priority.reset();
    settings.reset();
    worker.reset();
    std::lock_guard<std::mutex> g(infoLock);
    SealPending();  // its counts still reach the file
    WriteAdded(next, next.EndRun());
    if (infoFile) std::fclose(infoFile);
    infoFile = nullptr;
}

bool TmForm::HandOver(std::function<void()> fn) {
    if (OnMainThread()) {
        // Updates queued earlier go first; a queued update running now is already in its turn.
        if (!forms::RunningQueuedWork()) forms::DrainMainThread();
        return false;
    }
    std::lock_guard<std::mutex> g(infoLock);
    SealPending();  // lines logged before the update show before it
    Post(std::move(fn));
    return true;
}

bool TmForm::InitFromCommandLine() {
    auto params = Application.Params();
    return InitSettings(params.empty() ? std::string() : params[0]);
}

bool TmForm::InitSettings(const std::string& file) {
    settings = std::make_unique<TSettings>();
    if (!file.empty()) {
        // A settings file is wanted: it is always the program's own, the first argument.
        auto params = Application.Params();
        std::string first = params.empty() ? std::string() : params[0];
        settingsOk = settings->Load(first);
        if (!settingsOk) {
            PrintToStderr("\n");  // ends the store's reason, which has no line end of its own
            Log("Can not Init Settings: " + first);
            Log("Error: " + settings->lastError);
        }
    } else {
        Log("No settings file");
    }

    std::string info = settings->GetPath("info");
    if (!info.empty()) {
        {
            std::lock_guard<std::mutex> g(infoLock);
            if (infoFile) std::fclose(infoFile);
            infoFile = std::fopen(info.c_str(), "wt");
        }
        if (!std::freopen("stderr.txt", "w", stderr)) Log("Can not prepare file for stderr");
    }

    step1 = settings->GetInt("step1", 10);
    step2 = settings->GetInt("step2", 30000);
    noWarning = settings->GetInt("noWarning", 0) == 1;
    // After the standard error file and noWarning: the warnings go where the others go.
    if (!file.empty()) {
        auto params = Application.Params();
        const std::string first = params.empty() ? std::string() : params[0];
        ReportSettingsWarnings(this, SettingsWarnings(*settings, first, SettingsFileKind::Program));
    }

    // The priority timer belongs to the main thread.
    int idleSec = settings->GetInt("idleSec", 0);
    RunOnMainThread([this, idleSec] {
        priority->OnChange = [this] { ShowPriority(); };
        priority->SetIdleSec(idleSec);
    });

    if (settingsOk) Log("Initialized");
    SetCaption("", 0);
    ShowVersion();
    UpdateButtons();
    return true;
}

TSettings* TmForm::GetSettings() { return settings.get(); }

void TmForm::SetCaption(const std::string& text, int n) {
    if (HandOver([this, text, n] { SetCaption(text, n); })) return;
    if (!text.empty()) busyTitle = text;
    std::string caption = busy ? std::to_string(n) + " - " + busyTitle : "Idle - " + idleName;
    SetText(caption);
    Application.SetTitle(caption);
    Application.ProcessMessages();
}

void TmForm::WriteInfo(const std::string& line) {
    if (!infoFile) return;
    std::fputs(line.c_str(), infoFile);
    std::fputc('\n', infoFile);
    std::fflush(infoFile);
}

// Re-entrancy. A log line on the main thread runs the window messages that wait (so the line
// shows at once), and so do the window updates here that call ProcessMessages. Those messages
// carry every client's COM calls and the channels' handed-over requests: any ILM call, Load and
// Unload included, can run in the middle of any main-thread code that logs, on the same stack.
// So such code logs only where its state is whole, holds no plain lock across the line (this
// function lets go of infoLock first), and never waits for something a message must finish.
// What must not happen twice at once keeps a guard of its own, each with its invariant beside it:
// one job at a time and its end (jobActive, here); the load and the unload that follows it
// (current, unloadAfterLoad in the server window); the model set's recursive guard with building,
// generation and the retired models (TTarvel); the channels' generation, halt and retiring
// server (fastchan.h) and the set's models epoch (modelset_channels.cpp).
void TmForm::Log(const std::string& text) {
    Write(text, true);
    if (OnMainThread()) Application.ProcessMessages();
}

void TmForm::LogWarning(const std::string& text) {
    if (noWarning) {
        Write("WARNING: " + text, false);
        return;
    }
    Log("WARNING: " + text);
}

// File line and memo line take their place in one locked step, so both keep one order. A line
// from another thread joins the one pending batch, bounded, which one posted closure shows: a
// thread that logs on and on (a channel client's flood of refused requests) adds no more work
// ahead of the main thread's COM calls than one batch, and the file gets the batch's summary as
// the memo does, so it cannot fill the disk either.
void TmForm::Write(const std::string& text, bool memo) {
    std::lock_guard<std::mutex> g(infoLock);
    if (OnMainThread()) {
        SealPending();
        ShowAddedToNext(next.EndRun());  // a line of the main thread's own ends any run
        next = TLogBatch();
        WriteInfo(text);
        if (memo) Post([this, text] { mInfo->AppendLine(text); });
        return;
    }
    if (!pending) {
        pending = std::make_shared<TLogBatch>(std::move(next));
        next = TLogBatch();
        Post([this, batch = pending] { ShowBatch(*batch); });
    }
    WriteAdded(*pending, pending->Add(text, memo));
}

void TmForm::WriteAdded(const TLogBatch& batch, size_t added) {
    for (size_t i = batch.lines.size() - added; i < batch.lines.size(); ++i) WriteInfo(batch.lines[i].text);
}

void TmForm::SealPending() {
    if (!pending) return;
    WriteAdded(*pending, pending->Seal());
    next = pending->Next();
    pending.reset();
}

void TmForm::ShowAddedToNext(size_t added) {
    if (added == 0) return;
    WriteAdded(next, added);
    std::vector<TLogBatch::Line> lines(next.lines.end() - added, next.lines.end());
    next.lines.clear();
    Post([this, lines] {
        for (const auto& line : lines)
            if (line.memo) mInfo->AppendLine(line.text);
    });
}

// Each line added to the memo costs the box a pass over all it holds, which under a flood would
// come once per main-thread turn, ahead of every COM call: so a run that goes on adds nothing
// per batch, and the count timer shows its count once a second.
void TmForm::ShowBatch(const TLogBatch& batch) {
    bool counting;
    {
        std::lock_guard<std::mutex> g(infoLock);
        if (pending.get() == &batch) SealPending();
        counting = pending ? pending->Counting() : next.Counting();
    }
    if (counting) countTimer.SetEnabled(true);  // an enabled timer is not restarted
    // Sealed: no thread touches its lines any more.
    for (const auto& line : batch.lines)
        if (line.memo) mInfo->AppendLine(line.text);
}

void TmForm::countTimerTimer() {
    size_t added;
    {
        std::lock_guard<std::mutex> g(infoLock);
        SealPending();  // its closure, queued already, shows it before the count
        added = next.CountRun();
        ShowAddedToNext(added);
    }
    if (added == 0) countTimer.SetEnabled(false);
}

void TmForm::LogError(const std::string& text) {
    Log("ERROR: " + text);
    hadError = true;
}

void TmForm::SetDone(int n) {
    if (HandOver([this, n] { SetDone(n); })) return;
    sbMain->SetPanelText(pnDone, "Done: " + std::to_string(n));
    sbMain->SetPanelText(pnRate, "");
    SetCaption("", n);
    Application.ProcessMessages();
}

void TmForm::ShowDone() {
    if (HandOver([this] { ShowDone(); })) return;
    int n = count;
    sbMain->SetPanelText(pnDone, "Done: " + std::to_string(n));
    SetCaption("", n);
}

void TmForm::ShowPriority() {
    if (HandOver([this] { ShowPriority(); })) return;
    sbMain->SetPanelText(pnPriority, "Priority: " + priority->GetPriorityName());
    Application.ProcessMessages();
}

void TmForm::UpdateButtons() {
    if (HandOver([this] { UpdateButtons(); })) return;
    btCancel->SetEnabled(busy && !canceled);
    Application.ProcessMessages();
}

bool TmForm::IsCanceled() { return canceled; }

void TmForm::SetCount(int n) { count = n; }

int TmForm::GetStep2() { return step2; }

void TmForm::ShowVersion() {
    if (HandOver([this] { ShowVersion(); })) return;
    char path[MAX_PATH];
    DWORD len = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLen = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoLen) || !info ||
        infoLen < sizeof(VS_FIXEDFILEINFO))
        return;
    sbMain->SetPanelText(pnVersion, "Version:  " + std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
                                        std::to_string(LOWORD(info->dwFileVersionMS)) + "  Build:  " +
                                        std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
                                        std::to_string(LOWORD(info->dwFileVersionLS)) + "     ");
    Application.ProcessMessages();
}

void TmForm::TextHook(const std::string&) {}

void TmForm::ShowElapsed() {
    if (HandOver([this] { ShowElapsed(); })) return;
    long long e = static_cast<long long>(std::time(nullptr) - startTime);
    sbMain->SetPanelText(pnElapsed, TwoDigits(static_cast<int>(e / 3600)) + ":" +
                                        TwoDigits(static_cast<int>((e % 3600) / 60)) + ":" +
                                        TwoDigits(static_cast<int>(e % 60)));
    int n = count;
    sbMain->SetPanelText(pnRate, n < lastCount ? std::string() : std::to_string(n - lastCount) + "/sec");
    sbMain->SetPanelText(pnMemory, std::to_string(PrivateMemoryKB()) + "kb");
    lastCount = n;
}

void TmForm::StartWorker(const std::function<void()>& accepted) {
    if (worker && worker->Working) {
        Log("ERROR: Thread working");
        return;
    }
    if (busy) {
        Log("ERROR: Program working");
        return;
    }
    if (jobActive) {
        // The last job has returned and its end is on its way or being handled.
        Log("ERROR: Thread working");
        return;
    }
    // Taken: from here on every start is refused until the end of this job has been handled.
    jobActive = true;
    busy = true;
    canceled = false;
    hadError = false;
    if (accepted) accepted();
    // A thread runs once, and there is none here: a worker lives only while jobActive is set
    // (the end of its job takes it away before clearing the flag).
    worker = std::make_unique<TGoThread>();
    worker->OnTerminate = [this] { ThreadEnded(); };  // OnThreadDone is virtual: a subclass's end
    ResetProgress();
    UpdateButtons();
    worker->OnGo = job;
    worker->Resume();
    if (!worker->Started()) {
        // No thread could be made: no end notification will come, so end the job here.
        busy = false;
        StopProgress();
        LogError("Can not start worker thread");
        ThreadEnded();
    }
}

void TmForm::ThreadEnded() {
    // Messages run while the end is handled; whatever they do, this is the worker that ended.
    std::unique_ptr<TGoThread> ended = std::move(worker);
    struct Over {
        bool& active;
        ~Over() { active = false; }
    } over{jobActive};
    OnThreadDone();
}  // ended is freed here: its thread touches nothing of it after the notification

void TmForm::ResetProgress() {
    if (HandOver([this] { ResetProgress(); })) return;
    startTime = std::time(nullptr);
    timer.SetEnabled(true);
    SetDone(0);
    count = 0;
    lastCount = 0;
    UpdateButtons();
}

void TmForm::StopProgress() {
    if (HandOver([this] { StopProgress(); })) return;
    timer.SetEnabled(false);
    SetDone(0);
    UpdateButtons();
}

void TmForm::OnThreadDone() {
    StopProgress();
    busy = false;
    FinishJob();
}

void TmForm::FinishJob() {
    if (canceled) Log("Canceled");
    if (closeWhenDone && !canceled && !hadError) {
        Close();
        return;
    }
    canceled = false;
    SetDone(0);
    UpdateButtons();
}

void TmForm::btCancelClick() {
    canceled = true;
    Log("Canceling");
    UpdateButtons();
}

void TmForm::FormActivate() {
    closeWhenDone = settings->GetInt("close", 0) == 1;
    UpdateButtons();
}

void TmForm::timerTimer() {
    ShowDone();
    ShowElapsed();
}

void TmForm::FormClose(bool& canClose) {
    if (busy) {
        ShowMessageBox("Still working", "", MB_OK, Handle());
        canClose = false;
    }
}
