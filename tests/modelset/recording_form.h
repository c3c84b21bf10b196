// A stand-in for the tool window: records every log line (with the window's prefixes) and every
// count, and serves a settings store read from the file that plays the program's own settings.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/toolops.h"

class RecordingForm : public TToolOps {
public:
    RecordingForm() : settings(std::make_unique<TSettings>()) { mForm = this; }
    ~RecordingForm() override { mForm = nullptr; }

    // Like the window, a non-empty name reloads the program's file, whatever the name says.
    bool InitSettings(const std::string& file) override {
        std::lock_guard<std::mutex> l(m);
        settings = std::make_unique<TSettings>();
        if (!file.empty()) settings->Load(programFile);
        ++inits;
        return true;
    }
    // Each line runs onLog after it is recorded, as the window lets other work run inside it.
    void Log(const std::string& text) override { Add(text); }
    void LogWarning(const std::string& text) override { Add("WARNING: " + text); }
    void LogError(const std::string& text) override { Add("ERROR: " + text); }
    void SetCount(int n) override {
        std::lock_guard<std::mutex> l(m);
        counts.push_back(n);
    }
    TSettings* GetSettings() override { return settings.get(); }

    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> l(m);
        return lines;
    }
    void Clear() {
        std::lock_guard<std::mutex> l(m);
        lines.clear();
        counts.clear();
    }

    std::function<void(const std::string&)> onLog;
    std::string programFile;
    std::vector<int> counts;
    int inits = 0;

private:
    void Add(const std::string& line) {
        {
            std::lock_guard<std::mutex> l(m);
            lines.push_back(line);
        }
        if (onLog) onLog(line);
    }
    std::mutex m;
    std::vector<std::string> lines;
    std::unique_ptr<TSettings> settings;
};
