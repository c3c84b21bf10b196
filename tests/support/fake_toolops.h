// Recording stand-in for the tool window, installed as mForm for its lifetime. Log lines are kept
// as the window would show them: warnings and errors with their "WARNING: " and "ERROR: " prefix.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/toolops.h"

namespace fakes {

class FakeToolOps final : public TToolOps {
public:
    FakeToolOps();
    ~FakeToolOps() override;
    FakeToolOps(const FakeToolOps&) = delete;
    FakeToolOps& operator=(const FakeToolOps&) = delete;

    // Loads the file into a fresh store (the window's own settings), as the window would; an
    // empty name leaves an empty store. Recorded in initCalls.
    bool InitSettings(const std::string& file) override;
    void Log(const std::string& text) override { lines.push_back(text); }
    void LogWarning(const std::string& text) override { lines.push_back("WARNING: " + text); }
    void LogError(const std::string& text) override {
        lines.push_back("ERROR: " + text);
        errorFlag = true;
    }
    void SetCount(int n) override {
        count = n;
        ++setCountCalls;
    }
    TSettings* GetSettings() override { return settings.get(); }

    std::vector<std::string> lines;
    std::vector<std::string> initCalls;
    int count = 0;
    int setCountCalls = 0;
    bool errorFlag = false;
    std::string settingsFile;  // the file InitSettings reloads when given any non-empty name
    std::unique_ptr<TSettings> settings;

private:
    TToolOps* previous_;
};

}  // namespace fakes
