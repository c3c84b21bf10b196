// The set's description texts.
#include "Tarvel/shell/utils.h"
#include "modelset.h"
#include "modelset_internal.h"
#include "numformat.h"

using namespace engine::detail;

std::string TTarvel::GetInfo() {
    Busy busy(*this);
    if (!loaded) return "Not loaded";
    const int n = ModelCount();
    // A loaded set of types 2 to 5 always has a model 0; without one the label is "GT".
    const bool kn = n > 0 && ModelType(*models[0]) == 0;
    const std::string dyn = BoolToText(dynamic);
    const std::string uhEh = "; Uh = " + dyn + "; Eh = " + std::to_string(emHist);
    auto weights = [&] {
        std::string t = uhEh + " W = ";
        for (auto& m : models) t += "; " + engine::FormatGeneral(Weight(*m));
        return t;
    };
    std::string tail;
    switch (setType) {
    case 0:
    case 8: tail = "KN; "; break;
    case 1: tail = "GT; "; break;
    case 2: tail = std::string("CACHE") + (kn ? "(KN); " : "(GT); "); break;
    case 3: tail = std::string("TD") + (kn ? "(KN" : "(GT") + "-" + std::to_string(n) + "); "; break;
    case 4: tail = std::string("REVERSE") + (kn ? "(KN)" : "(GT)"); break;
    case 5: tail = std::string("CLASS") + (kn ? "(KN)" : "(GT)") + uhEh; break;
    case 6: tail = "MORF CACHE" + uhEh; break;
    case 7: tail = "MORF KN" + uhEh; break;
    case 9: tail = "WORD CLASS" + uhEh; break;
    case 10:
        tail = "SKIP; " + std::to_string(n) + "; Uh = " + dyn;
        for (auto& m : models) tail += "; " + std::to_string(SkipOf(*m));
        break;
    case 11: tail = "MORF1 KN1" + weights(); break;
    case 12: tail = "MORF2 KN1" + weights(); break;
    case 13: tail = "MORF1 KN1 + KN1 3gram" + weights(); break;
    case 14: tail = "MORF2 KN1 + KN1 3gram" + weights(); break;
    default: tail = "UNKNOWN TYPE"; break;
    }
    return "LM Info: loaded; " + tail;
}

std::string TTarvel::GetWeightInfo() {
    Busy busy(*this);
    if (building) return "Count = 0";  // the models of a set being built are not its weights yet
    std::string text = "Count = " + std::to_string(ModelCount());
    for (int i = 0; i < ModelCount(); ++i)
        text += "; [" + std::to_string(i) + "]=" + engine::FormatGeneral(Weight(*models[i]));
    return text;
}
