#include "forms/application.h"

#include <cstdlib>

#include "forms/form.h"
#include "forms/guard.h"
#include "forms/main_thread.h"

TApplication Application;

namespace {

// What forms::Guard catches is shown here, in the application's box.
const bool kShowsGuardedExceptions =
    (forms::SetExceptionDisplay([](const std::exception& e) { Application.ShowException(e); }), true);

}  // namespace

void TApplication::Initialize() {
    forms::PrepareMainThread();
    if (InitProc) InitProc();
}

void TApplication::SetMainForm(TForm* form) {
    mainForm = form;
    TForm::SetCloseHook([](TForm& closing) { return Application.MainForm() != &closing || Application.Terminate(); });
}

void TApplication::Run() {
    forms::PrepareMainThread();
    if (mainForm) mainForm->Show();
    MSG msg;
    while (!terminated) {
        BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            terminated = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    // Only what came before this call: work that keeps arriving (a busy channel's wake-ups)
    // must not keep a caller that waits for something else in here.
    const forms::QueueMark mark;
    while (!mark.Reached() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated = true;
            PostQuitMessage(static_cast<int>(msg.wParam));  // keep it for the outer loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (mark.Reached()) forms::LetLowPriorityMessagesThrough();
    forms::DrainMainThread();
}

bool TApplication::Terminate() {
    for (auto& check : terminateProcs)
        if (!check()) return false;
    terminated = true;
    PostQuitMessage(0);
    return true;
}

void TApplication::ShowException(const std::exception& e) {
    if (OnException) {
        OnException(e);
        return;
    }
    HWND owner = mainForm ? mainForm->Handle() : nullptr;
    MessageBoxA(owner, e.what(), title.c_str(), MB_OK | MB_ICONSTOP);
}

std::vector<std::string> TApplication::Params() const {
    if (paramsSet) return params_;
    std::vector<std::string> out;
    for (int i = 1; i < __argc; ++i) out.emplace_back(__argv[i]);
    return out;
}
