// Finding, starting and waiting for Tarvel.exe processes from a test, and reading its registry
// entries.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "com/handle.h"

// Ids of the running processes of that program file name (e.g. "Tarvel.exe").
inline std::vector<DWORD> ProcessesNamed(const char* exe) {
    std::vector<DWORD> ids;
    com::unique_handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid() || snap.get() == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32First(snap.get(), &e); ok; ok = Process32Next(snap.get(), &e))
        if (lstrcmpiA(e.szExeFile, exe) == 0) ids.push_back(e.th32ProcessID);
    return ids;
}

// Waits until no process of that name runs; false when the time is up.
inline bool WaitNoProcess(const char* exe, DWORD ms) {
    DWORD start = GetTickCount();
    while (!ProcessesNamed(exe).empty()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(50);
    }
    return true;
}

// Runs a command line; with wait, waits for its end and answers its exit code, else 259.
inline DWORD RunProgram(const std::string& commandLine, bool wait, HANDLE* process = nullptr) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return static_cast<DWORD>(-1);
    CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (wait) {
        WaitForSingleObject(pi.hProcess, 30000);
        GetExitCodeProcess(pi.hProcess, &code);
    }
    if (process)
        *process = pi.hProcess;
    else
        CloseHandle(pi.hProcess);
    return code;
}

// A string value under HKEY_CLASSES_ROOT; found is false when the key or value is missing.
inline std::string ClassesRootValue(const std::string& key, const char* name, bool* found = nullptr) {
    char buf[1024] = {};
    DWORD size = sizeof buf;
    LONG r = RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size);
    if (found) *found = r == ERROR_SUCCESS;
    return r == ERROR_SUCCESS ? std::string(buf) : std::string();
}

inline bool ClassesRootKeyExists(const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

inline std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}
