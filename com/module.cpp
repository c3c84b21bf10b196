#include "com/module.h"
#include <atomic>
#include <mutex>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace com {
namespace {
std::atomic<long> g_locks{0};
std::mutex g_actionMutex;
std::function<void()> g_lastRelease;
}  // namespace

void ModuleLock() noexcept { ++g_locks; }

void ModuleUnlock() noexcept {
    if (--g_locks == 0) {
        std::function<void()> action;
        {
            std::lock_guard<std::mutex> lock(g_actionMutex);
            action = g_lastRelease;
        }
        if (action) action();
    }
}

long ModuleLockCount() noexcept { return g_locks.load(); }

void SetLastReleaseAction(std::function<void()> action) {
    std::lock_guard<std::mutex> lock(g_actionMutex);
    g_lastRelease = std::move(action);
}

HMODULE ThisModule() noexcept { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::string ThisModulePath() {
    char path[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameA(ThisModule(), path, sizeof path);
    return std::string(path, n);
}

}  // namespace com
