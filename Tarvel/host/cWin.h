// The server window: the tool window with Load and Unload. It owns the one model set that every
// COM object shares, has it loaded through the program's own ILM like any client, unloads it
// when asked, counts the connected clients in its log, and closes after an unload once no
// client is left.
//
// Threads: the load and unload jobs run on the worker; every window update they make is handed
// to the main thread (TmForm's rule). The set is held in a shared pointer under setLock: the
// unload replaces it, and a COM call or the destruction of the old set never meet because each
// call keeps the set it started with alive until it returns.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "Tarvel.h"
#include "Tarvel/shell/mainWin.h"
#include "com/com_ptr.h"

class TTarvel;
struct IStream;

class TmForm1 : public TmForm {
public:
    TmForm1();
    ~TmForm1() override;

    void FormActivate();
    void btLoadClick();
    void btUnloadClick();
    void UpdateButtons() override;
    void OnThreadDone() override;

    void UpdateClientCount(bool connected);
    void StartUnload();
    void LoadJob();
    void UnloadJob();

    // The current model set (never empty while the window exists).
    std::shared_ptr<TTarvel> ModelSet();

    std::unique_ptr<TButton> btUnload;
    std::unique_ptr<TButton> btLoad;

protected:
    // lmClient: the window's own connection. The load job creates it in the worker's apartment
    // and hands it over to the main thread, where the object lives, before its thread ends, so
    // any thread may release it afterwards.
    com::com_ptr<ILM> Client();
    bool HasClient();
    void SetClient(com::com_ptr<ILM> client);
    void EmptyClient();
    void HandClientOver(ILM* local);

    std::atomic<bool> loading{false};
    std::atomic<int> clientCount{0};
    // An Unload that came while the load job ran or ended: started once that job's end is handled.
    // Set only while a job is taken; while it is set every further Unload is refused, so one
    // unload at most is due and none runs inside the load it follows.
    bool unloadAfterLoad = false;
    DWORD unloadWaitMs = 2000;  // the unload job's wait before it unloads

private:
    void ReplaceSet();
    // The job's end is handled: an Unload that waited for it is started now.
    void JobOver();

    // The last start value that was not understood, warned about once, not at every activation.
    std::string startWarned;

    enum class Job { None, Load, Unload };
    // The job taken by the job protocol, until its end is handled. An Unload that a message runs
    // while it is Unload is refused: it could delete a set a client loaded after the first one.
    Job current = Job::None;

    std::mutex clientLock;
    com::com_ptr<ILM> lmClient;
    unsigned clientEpoch = 0;  // changes with every replacement, so a late hand-over is dropped
    bool clientPending = false;

    std::mutex setLock;
    std::shared_ptr<TTarvel> lmm;
};

// The server window from the start of its construction to its destruction.
extern TmForm1* mForm1;
