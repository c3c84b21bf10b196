#include "Tarvel/host/cWin.h"

#include <windows.h>
#include <objbase.h>

#include <exception>
#include <string>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/engine/servers.h"
#include "com/bstr.h"
#include "com/coinit.h"
#include "forms/application.h"
#include "forms/main_thread.h"

TmForm1* mForm1 = nullptr;

namespace {

enum class LoadExit { Loaded, AlreadyLoaded, LoadFailed, InitFailed };

}  // namespace

TmForm1::TmForm1() {
    mForm1 = this;
    SetBounds({203, 194, Bounds().width, Bounds().height});
    btUnload = std::make_unique<TButton>(*Panel1, TBounds{144, 8, 81, 25}, "Unload");
    btUnload->OnClick = [this] { btUnloadClick(); };
    btLoad = std::make_unique<TButton>(*Panel1, TBounds{32, 8, 81, 25}, "Load");
    btLoad->OnClick = [this] { btLoadClick(); };
    OnActivate = [this] { FormActivate(); };

    idleName = "Tarvel";
    lmm = std::make_shared<TTarvel>();
    mForm = this;
    // A client may connect while the settings load processes messages; its count stays.
    InitFromCommandLine();
    loading = false;
}

TmForm1::~TmForm1() {
    // A job may still run (the unload job sleeps before it unloads, and closing is allowed
    // meanwhile): let it end first, serving its COM calls, so it never touches a window that
    // is gone. Its end notification has nothing left to do.
    if (worker) {
        worker->OnTerminate = nullptr;
        while (worker->Started() && !worker->Finished()) {
            Application.ProcessMessages();
            Sleep(10);
        }
        Application.ProcessMessages();  // what the job handed over, the old set's end among it
    }
    EndPosting();
    std::shared_ptr<TTarvel> old;
    {
        std::lock_guard<std::mutex> g(setLock);
        old = std::move(lmm);
    }
    old.reset();
    EmptyClient();
    if (mForm == this) mForm = nullptr;
    if (mForm1 == this) mForm1 = nullptr;
}

std::shared_ptr<TTarvel> TmForm1::ModelSet() {
    std::lock_guard<std::mutex> g(setLock);
    return lmm;
}

void TmForm1::ReplaceSet() {
    auto fresh = std::make_shared<TTarvel>();
    std::shared_ptr<TTarvel> old;
    {
        std::lock_guard<std::mutex> g(setLock);
        old = std::exchange(lmm, std::move(fresh));
    }
    // The set's component references belong to the main thread's apartment, where the set was
    // loaded: they are released there. Its channels end first, even while a call still holds
    // the set: none of them answers from a deleted set, and a start for the new set takes the
    // channels' names over.
    const bool here = OnMainThread();
    // Off the main thread, which may be busy for long (loading the next set), the old set stops
    // answering now; only the teardown waits for the main thread.
    if (!here && old) old->HaltChannels();
    auto release = [old = std::move(old)]() mutable {
        if (old) old->EndChannels();
        old.reset();
    };
    if (here)
        release();
    else
        forms::PostToMainThread(std::move(release));
}

// ---- the window's own client ----

com::com_ptr<ILM> TmForm1::Client() {
    std::lock_guard<std::mutex> g(clientLock);
    return lmClient;
}

bool TmForm1::HasClient() {
    std::lock_guard<std::mutex> g(clientLock);
    return lmClient || clientPending;
}

void TmForm1::SetClient(com::com_ptr<ILM> client) {
    com::com_ptr<ILM> old;
    {
        std::lock_guard<std::mutex> g(clientLock);
        old = std::exchange(lmClient, std::move(client));
        clientPending = false;
        ++clientEpoch;
    }
}

void TmForm1::EmptyClient() { SetClient(nullptr); }

void TmForm1::HandClientOver(ILM* local) {
    IStream* stream = nullptr;
    if (FAILED(::CoMarshalInterThreadInterfaceInStream(IID_ILM, local, &stream))) {
        LogError("LM Init failed");
        EmptyClient();
        return;
    }
    unsigned epoch;
    {
        std::lock_guard<std::mutex> g(clientLock);
        clientPending = true;
        epoch = ++clientEpoch;
    }
    Post([this, stream, epoch] {
        com::com_ptr<ILM> direct;
        ::CoGetInterfaceAndReleaseStream(stream, IID_ILM, direct.put_void());
        {
            std::lock_guard<std::mutex> g(clientLock);
            if (epoch == clientEpoch) {
                lmClient = std::exchange(direct, nullptr);
                clientPending = false;
            }
        }
        direct.reset();  // an unload came first: this connection ends here
        UpdateButtons();
    });
}

// ---- window events ----

void TmForm1::FormActivate() {
    TmForm::FormActivate();
    const std::string start = settings->GetString("start", "none");
    if (start == "load") {
        btLoadClick();
    } else if (start != "none" && start != startWarned) {
        startWarned = start;
        LogWarning("start = " + start + " is not understood: only start = load (in lower case) loads at start");
    }
}

void TmForm1::btLoadClick() {
    job = [this] { LoadJob(); };
    StartWorker([this] { current = Job::Load; });
}

void TmForm1::btUnloadClick() {
    EmptyClient();
    ReplaceSet();
    busy = false;
    SetCaption("", 0);
    StopProgress();
    if (clientCount == 0) {
        // Only a job whose end is still to be handled can close the window at its end.
        if (!OnMainThread() || (worker && worker->Started()))
            closeWhenDone = true;
        else
            Close();
    }
}

void TmForm1::UpdateButtons() {
    if (HandOver([this] { UpdateButtons(); })) return;
    const bool hasClient = HasClient();
    btUnload->SetEnabled(busy && hasClient && !loading);
    btLoad->SetEnabled(!hasClient && !loading);
    TmForm::UpdateButtons();
}

// The tool window's end of a job without stopping the progress display or clearing busy: a
// loaded set keeps the window busy while it is served.
void TmForm1::OnThreadDone() {
    FinishJob();
    JobOver();
}

void TmForm1::JobOver() {
    current = Job::None;
    // Posted: it runs once the job protocol has finished with this end and takes jobs again.
    if (std::exchange(unloadAfterLoad, false)) Post([this] { StartUnload(); });
}

void TmForm1::UpdateClientCount(bool connected) {
    if (connected)
        Log("Connected: " + std::to_string(++clientCount));
    else
        Log("Disconnected: " + std::to_string(--clientCount));
}

void TmForm1::StartUnload() {
    // One unload at a time: a further Unload while one runs or is due is refused, so it can never
    // delete a set that a client loads after the first unload.
    if (current == Job::Unload || unloadAfterLoad) {
        Log("ERROR: Thread working");
        return;
    }
    // The load job is running or ending: the unload follows it. Waiting for it here could wait
    // for a load that is below this call on the main thread's stack.
    if (JobRunning()) {
        unloadAfterLoad = true;
        return;
    }
    job = [this] { UnloadJob(); };
    busy = false;  // a served set keeps the window busy; the job protocol must take the unload
    StartWorker([this] { current = Job::Unload; });
}

// ---- jobs (worker thread) ----

void TmForm1::LoadJob() {
    com::CoInitGuard init(COINIT_APARTMENTTHREADED);
    loading = true;
    UpdateButtons();
    SetCaption("Loading", 0);

    com::com_ptr<ILM> local;
    LoadExit exit = LoadExit::LoadFailed;
    try {
        exit = [&] {
            if (auto client = Client()) {
                LONG loaded = 0;
                TARVEL_HRCHECK(client->IsLoaded(&loaded), "lmClient->IsLoaded(&loaded)");
                if (loaded) return LoadExit::AlreadyLoaded;
            }
            ILM* raw = nullptr;
            HRESULT hr = engine::CreateComponentRaw(CLSID_LM, IID_ILM, reinterpret_cast<void**>(&raw));
            if (FAILED(hr) || !raw) return LoadExit::InitFailed;
            local = com::com_ptr<ILM>::attach(raw);
            {
                // The new connection replaces the earlier one.
                com::com_ptr<ILM> old;
                std::lock_guard<std::mutex> g(clientLock);
                old = std::exchange(lmClient, nullptr);
                clientPending = true;
                ++clientEpoch;
            }
            LONG loaded = 0;
            TARVEL_HRCHECK(local->IsLoaded(&loaded), "lmClient->IsLoaded(&loaded)");
            if (loaded) return LoadExit::AlreadyLoaded;
            const std::string lm = GetSettings()->GetPath("lm");
            if (lm.empty()) LogError("The settings key lm is missing or empty: it names the file that Load loads");
            com::unique_bstr file = com::ToBstr(lm);
            LONG result = 0;
            TARVEL_HRCHECK(local->Load(file.get(), &result), "lmClient->Load(file, &result)");
            if (result == 1) {
                Log("LM loaded");
                return LoadExit::Loaded;
            }
            return LoadExit::LoadFailed;
        }();
    } catch (const std::exception& e) {
        LogError(e.what());
        exit = local ? LoadExit::LoadFailed : LoadExit::InitFailed;
    }

    switch (exit) {
    case LoadExit::Loaded:
        busy = true;
        SetCaption("Loaded", 0);
        break;
    case LoadExit::AlreadyLoaded:
        Log("LM already loaded");
        busy = true;
        SetCaption("Loaded", 0);
        ResetProgress();
        break;
    case LoadExit::LoadFailed:
    case LoadExit::InitFailed:
        LogError(exit == LoadExit::LoadFailed ? "LM load failed" : "LM Init failed");
        local = nullptr;
        EmptyClient();
        // Back to Idle either way, so Load and closing are possible again.
        busy = false;
        SetCaption("", 0);
        StopProgress();
        break;
    }
    if (local) HandClientOver(local.get());
    local = nullptr;  // released in its own apartment, before the thread leaves it
    loading = false;
    UpdateButtons();
}

void TmForm1::UnloadJob() {
    com::CoInitGuard init(COINIT_APARTMENTTHREADED);
    Sleep(unloadWaitMs);
    btUnloadClick();
}
