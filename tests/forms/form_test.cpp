#include <windows.h>

#include <gtest/gtest.h>

#include "forms/application.h"
#include "forms/button.h"
#include "forms/exception.h"
#include "forms/form.h"
#include "forms/timer.h"
#include "pump.h"

namespace {

TEST(Form, BuiltFromItsDescription) {
    TFormDesc d;
    d.caption = "Nustatymai";
    d.clientWidth = 272;
    d.clientHeight = 232;
    d.border = TBorderStyle::Dialog;
    d.position = TPosition::ScreenCenter;
    TForm form(d);
    EXPECT_EQ(form.Text(), "Nustatymai");
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 272);
    EXPECT_EQ(client.bottom, 232);
    LONG style = GetWindowLongA(form.Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);  // not resizable
    RECT outer;
    GetWindowRect(form.Handle(), &outer);
    EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_FALSE(form.Visible());
}

TEST(Form, SizeableAtItsPlace) {
    TFormDesc d;
    d.bounds = {20, 203, 753, 369};
    TForm form(d);
    RECT outer;
    GetWindowRect(form.Handle(), &outer);
    EXPECT_EQ(outer.left, 20);
    EXPECT_EQ(outer.top, 203);
    EXPECT_EQ(outer.right - outer.left, 753);
    EXPECT_EQ(outer.bottom - outer.top, 369);
    EXPECT_TRUE(GetWindowLongA(form.Handle(), GWL_STYLE) & WS_THICKFRAME);
}

TEST(Form, CloseAsksTheCloseQuery) {
    TForm form(TFormDesc{});
    form.Show();
    bool allow = false;
    int asked = 0;
    form.OnCloseQuery = [&](bool& canClose) {
        ++asked;
        canClose = allow;
    };
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.Visible());
    allow = true;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(asked, 2);
}

TEST(Form, ModalWithAParentWindow) {
    TForm owner(TFormDesc{});
    owner.Show();
    TFormDesc d;
    d.clientWidth = 100;
    d.clientHeight = 50;
    d.border = TBorderStyle::Dialog;
    TForm dialog(d);
    TButton ok(dialog, {10, 10, 60, 25}, "Gerai");
    bool ownerDisabled = false;
    ok.OnClick = [&] {
        ownerDisabled = !IsWindowEnabled(owner.Handle());
        dialog.SetModalResult(mrOk);
    };
    TTimer press;
    press.SetInterval(50);
    press.OnTimer = [&] {
        press.SetEnabled(false);
        SendMessageA(ok.Handle(), BM_CLICK, 0, 0);
    };
    press.SetEnabled(true);
    dialog.SetParentWindow(owner.Handle());
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(dialog.Visible());

    // Closing by the frame ends it too, with Cancel.
    press.OnTimer = [&] {
        press.SetEnabled(false);
        PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    };
    press.SetEnabled(true);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST(Application, TerminationChecksCanRefuse) {
    TForm form(TFormDesc{});
    form.Show();
    Application.SetMainForm(&form);
    static bool allow = false;  // the check stays registered for the process
    Application.AddTerminateProc([] { return allow; });
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_FALSE(Application.Terminated());
    Application.SetMainForm(nullptr);
}

TEST(Application, ExceptionsInHandlersAreShownNotPassedOn) {
    std::string shown;
    Application.OnException = [&](const std::exception& e) { shown = e.what(); };
    TForm form(TFormDesc{});
    TButton b(form, {0, 0, 50, 20}, "x");
    b.OnClick = [] { throw Exception("handler failed"); };
    SendMessageA(b.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(shown, "handler failed");
    Application.OnException = nullptr;
}

TEST(Application, InitialisationHooksRunInChain) {
    std::string order;
    Application.InitProc = [&] { order += "a"; };
    auto previous = Application.InitProc;
    Application.InitProc = [&order, previous] {
        previous();
        order += "b";
    };
    Application.Initialize();
    EXPECT_EQ(order, "ab");
    Application.InitProc = nullptr;
}

TEST(Timer, TicksWhileEnabled) {
    TTimer t;
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000u);
    int ticks = 0;
    t.OnTimer = [&] { ++ticks; };
    t.SetInterval(20);
    t.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }, 2000));
    t.SetEnabled(false);
    int seen = ticks;
    Sleep(60);
    Application.ProcessMessages();
    EXPECT_EQ(ticks, seen);
}

}  // namespace
