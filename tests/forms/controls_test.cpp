#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "forms/form.h"
#include "forms/label.h"
#include "forms/memo.h"
#include "forms/panel.h"
#include "forms/status_bar.h"
#include "forms/track_bar.h"

namespace {

TFormDesc Desc() {
    TFormDesc d;
    d.caption = "Test";
    d.bounds = {10, 10, 400, 300};
    return d;
}

TEST(TrackBar, ChangeEventOnlyOnARealChange) {
    TForm form(Desc());
    TTrackBar bar(form, {8, 32, 209, 45}, 1, 15, 1);
    int changes = 0;
    bar.OnChange = [&] { ++changes; };

    bar.SetPosition(1);  // already there
    EXPECT_EQ(changes, 0);
    bar.SetPosition(6);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bar.Position(), 6);
    bar.SetPosition(20);  // beyond the range: the maximum
    EXPECT_EQ(bar.Position(), 15);
    EXPECT_EQ(changes, 2);
    bar.SetPosition(99);  // still the maximum: no change
    EXPECT_EQ(changes, 2);
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 1);
    EXPECT_EQ(SendMessageA(bar.Handle(), TBM_GETPOS, 0, 0), 1);

    // A move by the user reaches the parent as a scroll notification.
    SendMessageA(bar.Handle(), TBM_SETPOS, TRUE, 9);
    SendMessageA(form.Handle(), WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(bar.Handle()));
    EXPECT_EQ(bar.Position(), 9);
    EXPECT_EQ(changes, 4);
    SendMessageA(form.Handle(), WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(bar.Handle()));
    EXPECT_EQ(changes, 4);
}

TEST(StatusBar, PanelsKeepTheirTextsWhateverTheAlignment) {
    TForm form(Desc());
    TStatusBar bar(form, 19, {{150, TAlignment::Left}, {50, TAlignment::Right}});
    bar.SetPanelText(0, "Done: 3");
    bar.SetPanelText(1, "12kb");
    EXPECT_EQ(bar.PanelText(0), "Done: 3");
    EXPECT_EQ(bar.PanelText(1), "12kb");
    char raw[32] = {};
    SendMessageA(bar.Handle(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(raw));
    EXPECT_STREQ(raw, "\t\t12kb  ");  // right-aligned in the control, kept off the divider
    bar.SetPanelText(5, "ignored");
    EXPECT_EQ(bar.PanelText(5), "");
}

TEST(Layout, TopBottomAndClientShareTheParent) {
    TForm form(Desc());
    TStatusBar bar(form, 19, {{100, TAlignment::Left}});
    TPanel fill(form, {}, TAlign::Client, false);
    TMemo memo(fill, {}, TAlign::Client);
    TPanel top(fill, {0, 0, 0, 41}, TAlign::Top);
    form.Realign();
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(bar.Bounds().top, client.bottom - 19);
    EXPECT_EQ(bar.Bounds().width, client.right);
    EXPECT_EQ(fill.Bounds().height, client.bottom - 19);
    EXPECT_EQ(top.Bounds().top, 0);
    EXPECT_EQ(top.Bounds().height, 41);
    EXPECT_EQ(memo.Bounds().top, 41);  // below the top panel, though made before it
    EXPECT_EQ(memo.Bounds().height, fill.Bounds().height - 41);
}

TEST(Memo, AppendsLinesAndStaysReadOnly) {
    TForm form(Desc());
    TMemo memo(form, {0, 0, 200, 100}, TAlign::None);
    memo.AppendLine("one");
    memo.AppendLine("");
    memo.AppendLine("three");
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"one", "", "three"}));
    LONG style = GetWindowLongA(memo.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    // More than the default limit of an edit box: nothing is cut.
    std::string line(1000, 'x');
    for (int i = 0; i < 40; ++i) memo.AppendLine(line);
    EXPECT_EQ(memo.Lines().size(), 43u);
}

// The box re-reads its whole text at every change: it keeps a bounded part of the log.
TEST(Memo, KeepsTheNewestLinesWithinItsBound) {
    TForm form(Desc());
    TMemo memo(form, {0, 0, 200, 100}, TAlign::None);
    memo.AppendLine(std::string(5000, 'x'));
    ASSERT_EQ(memo.Lines().size(), 1u);
    EXPECT_EQ(memo.Lines()[0], std::string(TMemo::MaxLineLength - 4, 'x') + " ...");

    const std::string tail(200, 'y');
    for (int i = 0; i < 1000; ++i) memo.AppendLine(std::to_string(i) + tail);
    EXPECT_LE(memo.Text().size(), static_cast<size_t>(TMemo::MaxChars));
    // Whole lines went from the front; the newest stay, in order.
    const auto lines = memo.Lines();
    const int first = std::stoi(lines.front());
    EXPECT_GT(first, 0);
    ASSERT_EQ(lines.size(), static_cast<size_t>(1000 - first));
    for (size_t k = 0; k < lines.size(); ++k) EXPECT_EQ(lines[k], std::to_string(first + k) + tail);
}

TEST(Label, SizesItselfToItsCaption) {
    TForm form(Desc());
    TLabel label(form, {208, 8, 0, 0}, "");
    label.SetFont("MS Sans Serif", -16);
    label.SetCaption("12 %");
    EXPECT_EQ(label.Caption(), "12 %");
    EXPECT_GT(label.Bounds().width, 0);
    EXPECT_EQ(label.Bounds().left, 208);
    // A size given at creation is only where it starts: a longer caption widens the label.
    TLabel planned(form, {8, 8, 40, 20}, "Planned");
    const int before = planned.Bounds().width;
    planned.SetCaption("A much longer caption than before");
    EXPECT_GT(planned.Bounds().width, before);
    EXPECT_GT(planned.Bounds().width, 40);
}

}  // namespace
