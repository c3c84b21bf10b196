// Tarvel as a COM local server: the command-line switches, the registry entries of the coclass
// LM, the class object offered to COM, and the two ways the live-object count takes part in
// ending the program (the last release under /Automation, the question when the window closes).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace host {

// A switch is an argument that starts with '-' or '/' and whose rest equals name without regard
// to case (the locale-aware comparison).
bool HasSwitch(const std::vector<std::string>& args, const char* name);

// The program file's path for the LocalServer32 entry: the module file name, or its short form
// when it holds a white-space character.
std::string ServerPath();

// Writes (reg = true) or deletes the registry entries of LM; the registrar's HRESULT.
HRESULT UpdateRegistry(bool reg);
// Every registration operation, then the type library once more from the module file name with
// its folder as help directory.
HRESULT RegisterServer();
HRESULT UnregisterServer();

// The text and caption of the question asked when the window closes while objects live.
extern const char* const kComWarningCaption;
extern const char* const kComWarningText;

// The termination check: passes when no object is alive, otherwise asks the question; Yes
// passes. ask shows the box (replaced by tests).
bool TerminationCheck(int (*ask)(const char* text, const char* caption, UINT flags) = nullptr);

// What the application's initialisation runs once COM is initialised on the main thread:
// reads the switches and registers, unregisters or offers the class object. Answers false when
// the process is to end (after REGSERVER or UNREGSERVER, or, 3 s later, in a program that COM
// started while another Tarvel offers the class). While serving, the engine's creation
// of LM (the window's load job) goes to this process's own class object.
bool ServerStartup(const std::vector<std::string>& args);
// Withdraws the class object from COM (when the entry point returns).
void ServerShutdown();

}  // namespace host
