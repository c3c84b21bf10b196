// The tool window's operations that the engine, the channels and the COM class reach through
// the global mForm. The tool window implements them; tests install a recording stand-in. Kept
// apart from the window so the engine links without any window code.
#pragma once
#include <string>

class TSettings;

class TToolOps {
public:
    virtual ~TToolOps() = default;
    // Reloads the program's settings file and applies the shell's keys; always true.
    virtual bool InitSettings(const std::string& file) = 0;
    virtual void Log(const std::string& text) = 0;
    virtual void LogWarning(const std::string& text) = 0;  // shown with "WARNING: " in front
    virtual void LogError(const std::string& text) = 0;    // shown with "ERROR: " in front
    virtual void SetCount(int n) = 0;
    // The current store; use it at once, keep no pointer across InitSettings.
    virtual TSettings* GetSettings() = 0;
};

// Points at the tool window once it exists; empty before (callers test it).
extern TToolOps* mForm;
