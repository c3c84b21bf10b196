#include "DTW/Nustatymai.h"
#include <cmath>
#include <memory>
#include <string>

namespace {

TFormDesc Description() {
    TFormDesc d;
    d.caption = "Nustatymai";
    d.clientWidth = 272;
    d.clientHeight = 232;
    d.fontName = "MS Sans Serif";
    d.fontHeight = -11;
    d.border = TBorderStyle::Dialog;
    d.position = TPosition::ScreenCenter;
    return d;
}

constexpr int kLabelFontHeight = -16;
// The least room between a caption and the value echoed beside it: the form's margin.
constexpr int kEchoGap = 8;

// A caption wider than planned (another font) would run under its echo: the echo moves right.
void KeepEchoBeside(const TLabel& caption, TLabel& echo) {
    const TBounds c = caption.Bounds();
    TBounds e = echo.Bounds();
    if (c.left + c.width + kEchoGap <= e.left) return;
    e.left = c.left + c.width + kEchoGap;
    echo.SetBounds(e);
}

// Captions in the system code page (1257).
constexpr char kModelShare[] = "Statistinio modelio \xE1" "taka";
constexpr char kSimilarWords[] = "Nagrin\xEB" "ti pana\xF0" "ius \xFE" "od\xFE" "ius";

}  // namespace

int WeightPercent(double weight) {
    if (std::isnan(weight)) return 0;
    long double percent = static_cast<long double>(weight) * 100.0L;
    // Beyond the bar's range the bar shows its end anyway; keep the conversion defined.
    if (percent > 1000.0L) return 1000;
    if (percent < -1000.0L) return -1000;
    return static_cast<int>(percent);
}

double PercentWeight(int percent) {
    return static_cast<double>(static_cast<long double>(percent) * 0.01L);
}

TfNustatymai::TfNustatymai()
    : TForm(Description()),
      SpeedButton1(*this, {24, 176, 89, 25}, "Gerai"),
      SpeedButton2(*this, {168, 176, 81, 25}, "Nutraukti"),
      Label1(*this, {8, 8, 167, 20}, kModelShare),
      Label2(*this, {8, 96, 189, 20}, kSimilarWords),
      tbSM(*this, {8, 32, 209, 45}, 0, 100, 0, 1),
      tbMV(*this, {8, 120, 209, 45}, 1, 15, 1, 1),
      lSM(*this, {208, 8, 0, 0}, ""),
      lPZ(*this, {208, 96, 0, 0}, "") {
    for (TLabel* label : {&Label1, &Label2, &lSM, &lPZ}) label->SetFont("MS Sans Serif", kLabelFontHeight);
    KeepEchoBeside(Label1, lSM);
    KeepEchoBeside(Label2, lPZ);
    tbSM.OnChange = [this] { tbSMChange(); };
    tbMV.OnChange = [this] { tbMVChange(); };
    SpeedButton1.OnClick = [this] { SpeedButton1Click(); };
    SpeedButton2.OnClick = [this] { SpeedButton2Click(); };
}

void TfNustatymai::LoadFrom(EngineSettings& source) {
    engine = &source;
    tbSM.SetPosition(WeightPercent(source.GetWeight()));
    tbMV.SetPosition(source.GetMaxValue());
}

void TfNustatymai::tbSMChange() { lSM.SetCaption(std::to_string(tbSM.Position()) + " %"); }

void TfNustatymai::tbMVChange() { lPZ.SetCaption(" = " + std::to_string(tbMV.Position())); }

void TfNustatymai::SpeedButton1Click() {
    if (engine) {
        engine->SetWeight(PercentWeight(tbSM.Position()));
        engine->SetMaxValue(tbMV.Position());
    }
    SetModalResult(mrOk);
}

void TfNustatymai::SpeedButton2Click() { SetModalResult(mrCancel); }

bool ShowSettingsDialog(HWND parent, EngineSettings& settings) {
    auto dialog = std::make_unique<TfNustatymai>();
    dialog->SetParentWindow(parent);
    dialog->LoadFrom(settings);
    dialog->ShowModal();
    return true;
}
