// Runs channel_client.exe (built next to the test) as a process of its own and reads its output.
#pragma once
#include <windows.h>

#include <string>

#include "com/handle.h"
#include "forms/application.h"

// Waits for h while this thread serves its messages, as the main thread must for the channels'
// requests to be answered; true when h was signalled within ms.
inline bool WaitServing(HANDLE h, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
        const DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, ms - spent, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        Application.ProcessMessages();
    }
}

class ClientProcess {
public:
    explicit ClientProcess(const std::string& args) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string exe = self;
        exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "channel_client.exe";
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        CreatePipe(&readEnd, &writeEnd, &sa, 0);
        out_.reset(readEnd);
        com::unique_handle childOut(writeEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = writeEnd;
        si.hStdError = writeEnd;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION pi{};
        std::string line = "\"" + exe + "\" " + args;
        if (CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &si, &pi)) {
            process_.reset(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }

    bool Started() const { return process_.valid(); }

    // The next line of output without its end, or "" at the end of the output.
    std::string ReadLine() {
        std::string line;
        char c;
        DWORD got = 0;
        while (ReadFile(out_.get(), &c, 1, &got, nullptr) && got == 1) {
            if (c == '\n') break;
            if (c != '\r') line += c;
        }
        return line;
    }

    // Waits for the end (at most timeoutMs), serving this thread's messages meanwhile, and
    // returns the exit code, -1 when it did not end.
    int Finish(DWORD timeoutMs = 20000) {
        if (!process_ || !WaitServing(process_.get(), timeoutMs)) {
            if (process_) TerminateProcess(process_.get(), 99);
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return static_cast<int>(code);
    }

    // Everything the client printed after what was read, once it has ended.
    std::string Rest() {
        std::string all, line;
        while (!(line = ReadLine()).empty()) all += line + "\n";
        return all;
    }

private:
    com::unique_handle process_;
    com::unique_handle out_;
};

// Runs the client to its end: its exit code and its output.
struct ClientRun {
    int code;
    std::string output;
};
inline ClientRun RunClient(const std::string& args) {
    ClientProcess p(args);
    if (!p.Started()) return {-2, ""};
    const int code = p.Finish();
    return {code, p.Rest()};  // a few lines: they wait in the pipe
}
