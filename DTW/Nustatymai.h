// The settings dialog of one similar-word engine: the language model's share in percent and the
// distance threshold, applied to the engine only when the user confirms.
#pragma once
#include <windows.h>
#include "DTW/EngineSettings.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/speed_button.h"
#include "forms/track_bar.h"

class TfNustatymai : public TForm {
public:
    TfNustatymai();

    // Keeps the engine's settings and sets the two bars from its weight and threshold.
    void LoadFrom(EngineSettings& source);

    void tbSMChange();
    void tbMVChange();
    void SpeedButton1Click();  // "Gerai": apply and close
    void SpeedButton2Click();  // "Nutraukti": close, change nothing

    TSpeedButton SpeedButton1;
    TSpeedButton SpeedButton2;
    TLabel Label1;
    TLabel Label2;
    TTrackBar tbSM;
    TTrackBar tbMV;
    TLabel lSM;
    TLabel lPZ;

private:
    EngineSettings* engine = nullptr;
};

// The dialog's whole round for the settings of one engine: made with no owner, parented to the
// caller's window, loaded, shown modally and destroyed (also when the showing raises). True.
bool ShowSettingsDialog(HWND parent, EngineSettings& settings);

// The bar position that shows a weight: the percentage truncated toward zero, formed in extended
// precision, so a weight stored just below a whole percentage shows the one below.
int WeightPercent(double weight);
// The weight that a bar position stands for: the nearest 64-bit float to percent / 100.
double PercentWeight(int percent);
