#include "com/stderr_file.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

#include "com/module.h"

namespace com {

bool RedirectStderr(const std::string& path) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    _dup2(fd, 2);
    _close(fd);
    return true;
}

void WriteStderr(const std::string& text) {
    if (_fileno(stderr) >= 0) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    } else {
        _write(2, text.data(), static_cast<unsigned>(text.size()));
    }
}

std::string RedirectStderrBesideModule(const std::string& fileName) {
    const std::string module = ThisModulePath();
    const std::string beside = module.substr(0, module.find_last_of("\\/") + 1) + fileName;
    if (RedirectStderr(beside)) return beside;
    char temp[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathA(sizeof temp, temp);
    if (n == 0 || n > MAX_PATH) return {};
    const std::string inTemp = std::string(temp) + fileName;
    return RedirectStderr(inTemp) ? inTemp : std::string();
}

}  // namespace com
