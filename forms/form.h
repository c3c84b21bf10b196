// A top-level window built from a description, with activation and close-query events, Close,
// and modal showing.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "forms/control.h"

enum class TBorderStyle { Sizeable, Dialog };
enum class TPosition { Designed, ScreenCenter };

struct TFormDesc {
    std::string caption;
    TBounds bounds;             // outer bounds; the size is ignored when a client size is given
    int clientWidth = 0;        // when set with clientHeight: the client area's size
    int clientHeight = 0;
    std::string fontName = "MS Sans Serif";
    int fontHeight = -11;
    TBorderStyle border = TBorderStyle::Sizeable;
    TPosition position = TPosition::Designed;
};

constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;

class TForm : public TWinControl {
public:
    explicit TForm(const TFormDesc& desc);
    ~TForm() override;

    void Show();
    // Asks OnCloseQuery; when it agrees, a modal form ends its modal loop and any other form asks
    // the close hook and then hides (the main form ends the program there).
    void Close();
    // What the close of a form that is not modal asks before it hides: false keeps it shown. The
    // application sets it: its main form's close ends the program, after its termination checks.
    static void SetCloseHook(std::function<bool(TForm&)> hook);
    // Shows the form owned by the parent window (disabled meanwhile) until Close or ModalResult.
    int ShowModal();
    void SetParentWindow(HWND owner);
    void SetModalResult(int r) { modalResult = r; }
    int ModalResult() const { return modalResult; }

    std::function<void()> OnActivate;
    std::function<void(bool& canClose)> OnCloseQuery;

    // Runs fn on the main thread: at once from the main thread (after what is queued before),
    // otherwise queued. Skipped when the form is gone by then.
    void RunOnMainThread(std::function<void()> fn);
    // Always queues fn for the main thread, behind what is there; skipped when the form is gone.
    void Post(std::function<void()> fn);
    // Whether the form should apply an update itself now (on the main thread) or queue it.
    static bool OnMainThread();

protected:
    // Queued closures of this form are dropped from now on; a derived destructor calls it first.
    void EndPosting() { *alive = false; }
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool modal = false;
    int modalResult = mrNone;
    HWND parentWindow = nullptr;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};
