// The application object: initialisation hooks, main form, message loop, title, termination
// checks and the display of exceptions that reach the message loop.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

class TForm;

class TApplication {
public:
    TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Runs InitProc. A module that needs a start-up step puts it in front, keeping the hook
    // that was there before and calling it first.
    void Initialize();
    std::function<void()> InitProc;

    // The main form's close ends the program (after the termination checks).
    void SetMainForm(TForm* form);
    TForm* MainForm() const { return mainForm; }
    // Shows the main form and runs the message loop until a quit message or Terminate.
    void Run();
    // Runs the messages that were pending when it was called and the closures handed over to
    // the main thread by then, then returns.
    void ProcessMessages();
    // Asks every termination check; when all agree, ends the message loop. False when one refused.
    bool Terminate();
    void AddTerminateProc(std::function<bool()> check) { terminateProcs.push_back(std::move(check)); }
    bool Terminated() const { return terminated; }

    void SetTitle(const std::string& text) { title = text; }
    const std::string& Title() const { return title; }

    // Shows the message of an exception that reached the loop (forms::Guard) in an error box.
    // OnException, when set, replaces the box.
    void ShowException(const std::exception& e);
    std::function<void(const std::exception&)> OnException;

    // The program's command-line arguments after the program name. Tests set their own.
    std::vector<std::string> Params() const;
    void SetParams(std::vector<std::string> params) { paramsSet = true; params_ = std::move(params); }

private:
    TForm* mainForm = nullptr;
    std::vector<std::function<bool()>> terminateProcs;
    bool terminated = false;
    std::string title;
    bool paramsSet = false;
    std::vector<std::string> params_;
};

extern TApplication Application;
