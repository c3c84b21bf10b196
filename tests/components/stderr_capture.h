// What this process writes to standard error while the capture lives: descriptor 2, which the C
// runtime's stderr writes through, goes to a temporary file and comes back at the end.
#pragma once
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

class StderrCapture {
public:
    StderrCapture() {
        char dir[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, dir);
        ::GetTempFileNameA(dir, "err", 0, name_);
        std::fflush(stderr);
        saved_ = _dup(2);
        const int fd = _open(name_, _O_WRONLY | _O_TRUNC | _O_BINARY);
        if (fd >= 0) {
            _dup2(fd, 2);
            _close(fd);
        }
    }
    ~StderrCapture() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            _dup2(saved_, 2);
            _close(saved_);
        }
        ::DeleteFileA(name_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string Text() const {
        std::fflush(stderr);
        std::ostringstream out;
        out << std::ifstream(name_, std::ios::binary).rdbuf();
        return out.str();
    }

private:
    char name_[MAX_PATH] = {};
    int saved_ = -1;
};
