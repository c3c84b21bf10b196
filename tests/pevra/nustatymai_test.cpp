// The settings dialog: what it shows for an engine's settings, what it applies, and the modal
// round through the engine with a parent window, driven as a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>
#include "DTW/Nustatymai.h"
#include "DTW/SimilarWordEngine.h"
#include "forms/timer.h"
#include "own_window.h"

namespace {

SimilarWordEngine::RegistrationReader Unregistered() {
    return [](std::string&) { return false; };
}

TEST(Nustatymai, DescriptionAndLithuanianCaptions) {
    TfNustatymai d;
    EXPECT_EQ("Nustatymai", d.Text());
    RECT client{};
    ::GetClientRect(d.Handle(), &client);
    EXPECT_EQ(272, client.right);
    EXPECT_EQ(232, client.bottom);
    EXPECT_EQ(0, ::GetWindowLongA(d.Handle(), GWL_STYLE) & WS_THICKFRAME);  // not resizable
    // Code page 1257: i-ogonek, e-dot, s-caron, z-caron.
    EXPECT_EQ("Statistinio modelio \xE1taka", d.Label1.Caption());
    EXPECT_EQ("Nagrin\xEBti pana\xF0ius \xFEod\xFEius", d.Label2.Caption());
    wchar_t wide[64] = {};
    ::GetWindowTextW(d.Label2.Handle(), wide, 64);
    EXPECT_STREQ(L"Nagrin\u0117ti pana\u0161ius \u017Eod\u017Eius", wide);
    EXPECT_EQ("Gerai", d.SpeedButton1.Text());
    EXPECT_EQ("Nutraukti", d.SpeedButton2.Text());
    EXPECT_EQ(0, d.tbSM.Min());
    EXPECT_EQ(100, d.tbSM.Max());
    EXPECT_EQ(1, d.tbMV.Min());
    EXPECT_EQ(15, d.tbMV.Max());
}

// The width a label's window needs for its caption in the label's own font.
SIZE CaptionExtent(HWND label) {
    const std::string text = [&] {
        char buf[128] = {};
        ::GetWindowTextA(label, buf, sizeof buf);
        return std::string(buf);
    }();
    HDC dc = ::GetDC(label);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    return size;
}

TEST(Nustatymai, EveryLabelIsWideEnoughForItsCaption) {
    SimilarWordEngine engine(Unregistered());
    TfNustatymai d;
    d.LoadFrom(engine);  // the two echo labels get their texts
    d.tbSM.SetPosition(100);
    d.tbMV.SetPosition(15);
    for (TLabel* label : {&d.Label1, &d.Label2, &d.lSM, &d.lPZ}) {
        const SIZE need = CaptionExtent(label->Handle());
        RECT client{};
        ::GetClientRect(label->Handle(), &client);
        EXPECT_GE(client.right, need.cx) << label->Caption();
        EXPECT_GE(client.bottom, need.cy) << label->Caption();
        EXPECT_LE(label->Bounds().left + label->Bounds().width, 272) << label->Caption();
    }
    // Each value is echoed beside its caption, not over it.
    EXPECT_LT(d.Label1.Bounds().left + d.Label1.Bounds().width, d.lSM.Bounds().left);
    EXPECT_LT(d.Label2.Bounds().left + d.Label2.Bounds().width, d.lPZ.Bounds().left);
}

TEST(Nustatymai, FreshEngineShowsOnePercentAndSix) {
    SimilarWordEngine engine(Unregistered());
    TfNustatymai d;
    d.LoadFrom(engine);
    EXPECT_EQ(1, d.tbSM.Position());
    EXPECT_EQ("1 %", d.lSM.Caption());
    EXPECT_EQ(6, d.tbMV.Position());
    EXPECT_EQ(" = 6", d.lPZ.Caption());
}

TEST(Nustatymai, UnchangedPositionsLeaveTheLabelsEmpty) {
    SimilarWordEngine engine(Unregistered());
    engine.SetWeight(0.005);
    engine.SetMaxValue(1);
    TfNustatymai d;
    d.LoadFrom(engine);
    EXPECT_EQ(0, d.tbSM.Position());
    EXPECT_EQ("", d.lSM.Caption());
    EXPECT_EQ(1, d.tbMV.Position());
    EXPECT_EQ("", d.lPZ.Caption());
    d.tbSM.SetPosition(37);
    EXPECT_EQ("37 %", d.lSM.Caption());
}

TEST(Nustatymai, PercentagesTruncateInExtendedPrecision) {
    EXPECT_EQ(5, WeightPercent(0.06));
    EXPECT_EQ(28, WeightPercent(0.29));
    EXPECT_EQ(1, WeightPercent(0.01));
    EXPECT_EQ(50, WeightPercent(0.5));
    EXPECT_EQ(-50, WeightPercent(-0.5));  // the bar shows its minimum
    EXPECT_EQ(0.06, PercentWeight(6));
    EXPECT_EQ(0.05, PercentWeight(5));
    EXPECT_EQ(1.0, PercentWeight(100));
}

TEST(Nustatymai, ApplyingSixPercentThenReopeningShowsFive) {
    SimilarWordEngine engine(Unregistered());
    {
        TfNustatymai d;
        d.LoadFrom(engine);
        d.tbSM.SetPosition(6);
        d.SpeedButton1Click();
        EXPECT_EQ(mrOk, d.ModalResult());
    }
    EXPECT_EQ(0.06, engine.GetWeight());
    {
        TfNustatymai d;
        d.LoadFrom(engine);
        EXPECT_EQ(5, d.tbSM.Position());
        EXPECT_EQ("5 %", d.lSM.Caption());
        d.SpeedButton1Click();
    }
    EXPECT_EQ(0.05, engine.GetWeight());
}

TEST(Nustatymai, OutOfRangeSettingsShowTheBarsEnds) {
    SimilarWordEngine engine(Unregistered());
    engine.SetMaxValue(20);
    engine.SetWeight(-0.3);
    TfNustatymai d;
    d.LoadFrom(engine);
    EXPECT_EQ(15, d.tbMV.Position());
    EXPECT_EQ(" = 15", d.lPZ.Caption());
    EXPECT_EQ(0, d.tbSM.Position());
    engine.SetWeight(3e300);  // far beyond the bar, still shown as its end
    TfNustatymai e;
    e.LoadFrom(engine);
    EXPECT_EQ(100, e.tbSM.Position());
    d.SpeedButton1Click();
    EXPECT_EQ(15, engine.GetMaxValue());
    EXPECT_EQ(0.0, engine.GetWeight());
}

TEST(Nustatymai, CancelChangesNothing) {
    SimilarWordEngine engine(Unregistered());
    engine.SetWeight(0.25);
    engine.SetMaxValue(4);
    TfNustatymai d;
    d.LoadFrom(engine);
    d.tbSM.SetPosition(80);
    d.tbMV.SetPosition(12);
    d.SpeedButton2Click();
    EXPECT_EQ(mrCancel, d.ModalResult());
    EXPECT_EQ(0.25, engine.GetWeight());
    EXPECT_EQ(4, engine.GetMaxValue());
}

// The dialog's child windows as a user finds them.
struct DialogWindows {
    HWND dialog = nullptr;
    std::vector<HWND> bars;  // tbSM, tbMV (top to bottom)
    HWND ok = nullptr, cancel = nullptr;
    HWND lSM = nullptr, lPZ = nullptr;
};

BOOL CALLBACK Classify(HWND child, LPARAM lp) {
    DialogWindows& w = *reinterpret_cast<DialogWindows*>(lp);
    char cls[64] = {}, text[64] = {};
    ::GetClassNameA(child, cls, sizeof cls);
    ::GetWindowTextA(child, text, sizeof text);
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, w.dialog, reinterpret_cast<POINT*>(&r), 2);
    if (!lstrcmpiA(cls, TRACKBAR_CLASSA)) {
        w.bars.insert(r.top < 100 ? w.bars.begin() : w.bars.end(), child);
    } else if (!lstrcmpA(text, "Gerai")) {
        w.ok = child;
    } else if (!lstrcmpA(text, "Nutraukti")) {
        w.cancel = child;
    } else if (!lstrcmpiA(cls, "Static") && r.left > 100) {  // the echoes, right of the captions
        (r.top == 8 ? w.lSM : w.lPZ) = child;
    }
    return TRUE;
}

DialogWindows FindDialog() {
    DialogWindows w;
    w.dialog = own_window::Find("Nustatymai");
    if (w.dialog) ::EnumChildWindows(w.dialog, Classify, reinterpret_cast<LPARAM>(&w));
    return w;
}

std::string TextOf(HWND h) {
    char text[64] = {};
    ::GetWindowTextA(h, text, sizeof text);
    return text;
}

// Moves a bar as a drag would end: the position, then the scroll notification to the dialog.
void Drag(HWND dialog, HWND bar, int position) {
    ::SendMessageA(bar, TBM_SETPOS, TRUE, position);
    ::SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(bar));
}

// An engine whose dialog opens as the COM class opens it.
struct DialogEngine : SimilarWordEngine {
    using SimilarWordEngine::SimilarWordEngine;
    bool OpenSettings(HWND parent) { return ShowSettingsDialog(parent, *this); }
};

class ModalSettings : public ::testing::Test {
protected:
    void SetUp() override {
        parent = ::CreateWindowExA(0, "STATIC", "caller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                   nullptr, nullptr);
        ASSERT_NE(nullptr, parent);
        press.SetInterval(30);
    }
    void TearDown() override { ::DestroyWindow(parent); }

    // Runs the dialog through the engine; act runs once the dialog is up.
    void Open(std::function<void(const DialogWindows&)> act) {
        ticks = 0;
        press.OnTimer = [this, act] {
            DialogWindows w = FindDialog();
            if (!w.dialog && ++ticks < 100) return;
            press.SetEnabled(false);
            ASSERT_NE(nullptr, w.dialog);
            parentDisabled = !::IsWindowEnabled(parent);
            owner = ::GetWindow(w.dialog, GW_OWNER);
            act(w);
        };
        press.SetEnabled(true);
        EXPECT_TRUE(engine.OpenSettings(parent));
        press.SetEnabled(false);
        EXPECT_EQ(nullptr, own_window::Find("Nustatymai"));  // destroyed
        EXPECT_TRUE(::IsWindowEnabled(parent));
    }

    DialogEngine engine{Unregistered()};
    HWND parent = nullptr;
    HWND owner = nullptr;
    bool parentDisabled = false;
    TTimer press;
    int ticks = 0;
};

TEST_F(ModalSettings, GeraiAppliesWhatTheUserSet) {
    std::string shownPercent, shownThreshold;
    Open([&](const DialogWindows& w) {
        ASSERT_EQ(2u, w.bars.size());
        ASSERT_TRUE(w.ok && w.lSM && w.lPZ);
        EXPECT_EQ("1 %", TextOf(w.lSM));
        EXPECT_EQ(" = 6", TextOf(w.lPZ));
        Drag(w.dialog, w.bars[0], 42);
        Drag(w.dialog, w.bars[1], 9);
        shownPercent = TextOf(w.lSM);
        shownThreshold = TextOf(w.lPZ);
        ::SendMessageA(w.ok, BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(parentDisabled);
    EXPECT_EQ(parent, owner);
    EXPECT_EQ("42 %", shownPercent);
    EXPECT_EQ(" = 9", shownThreshold);
    EXPECT_EQ(0.42, engine.GetWeight());
    EXPECT_EQ(9, engine.GetMaxValue());
}

TEST_F(ModalSettings, NutrauktiAndTheFrameChangeNothing) {
    Open([&](const DialogWindows& w) {
        Drag(w.dialog, w.bars.at(0), 70);
        ::SendMessageA(w.cancel, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(0.01, engine.GetWeight());
    Open([&](const DialogWindows& w) {
        Drag(w.dialog, w.bars.at(1), 14);
        ::PostMessageA(w.dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(6, engine.GetMaxValue());
}

}  // namespace
