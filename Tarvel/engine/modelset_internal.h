// Helpers shared by the model set's source files: single-precision rounding and the few fields
// of a model that the set reads and writes.
#pragma once
#include <string>

#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/toolops.h"
#include "history.h"
#include "model.h"
#include "precision.h"

namespace engine::detail {

// Rounds to single precision: the weights and every sum are rounded after each step.
inline float f32(long double x) { return engine::Single(x); }

inline float& Weight(TLMWrap& m) { return m.lamda; }
inline float Weight(const TLMWrap& m) { return m.lamda; }

// Number of recorded probabilities; 0 for a model without a probability history.
inline int HistCount(const TLMWrap& m) { return m.history ? m.history->count : 0; }

inline float& Acc(TLMWrap& m) { return m.emSum; }
inline int ModelType(const TLMWrap& m) { return m.type; }
inline void SetModelType(TLMWrap& m, int type) { m.type = type; }
inline int SkipOf(const TLMWrap& m) { return m.iSkip; }

// The view models hold their own count on the components of the model they view.
inline void ShareCache(TLMWrap& view, const TLMWrap& from) { view.cache = from.cache; }
inline void ShareCacheAndClass(TLMWrap& view, const TLMWrap& from) {
    view.cache = from.cache;
    view.wc = from.wc;
}

// Recorded probability at position i, oldest first; 0 past the history's capacity.
inline float HistValue(const TLMWrap& m, int i) {
    if (!m.history || i < 0 || i >= m.history->capacity) return 0.0f;
    return m.history->items[i];
}

// The tool window's operations; nothing happens before the window exists.
inline void Log(const std::string& text) {
    if (mForm) mForm->Log(text);
}
inline void LogWarning(const std::string& text) {
    if (mForm) mForm->LogWarning(text);
}
inline void LogError(const std::string& text) {
    if (mForm) mForm->LogError(text);
}
inline void SetCount(int n) {
    if (mForm) mForm->SetCount(n);
}

// Keys of the window's settings store; the defaults without one.
inline int SettingInt(const char* key, int def) {
    TSettings* s = mForm ? mForm->GetSettings() : nullptr;
    return s ? s->GetInt(key, def) : def;
}
inline std::string SettingText(const char* key) {
    TSettings* s = mForm ? mForm->GetSettings() : nullptr;
    return s ? s->GetString(key, "") : std::string();
}
inline std::string SettingPath(const char* key) {
    TSettings* s = mForm ? mForm->GetSettings() : nullptr;
    return s ? s->GetPath(key) : std::string();
}

}  // namespace engine::detail
