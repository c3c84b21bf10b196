// A client process of the server tests. "rounds N": N back-to-back rounds of creating LM through
// COM, one call and the release, as plain clients make them; the exit code is the number of
// rounds that failed, each named on the standard output. "busy MS": keeps one processor busy for
// MS milliseconds, so that the rounds run on a loaded machine.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Tarvel.h"
#include "com/coinit.h"
#include "com/com_ptr.h"

int main(int argc, char** argv) {
    const int n = argc >= 3 ? std::atoi(argv[2]) : 0;
    if (argc >= 3 && std::strcmp(argv[1], "busy") == 0) {
        const DWORD start = ::GetTickCount();
        volatile unsigned spin = 0;
        while (::GetTickCount() - start < static_cast<DWORD>(n)) ++spin;
        return 0;
    }
    if (argc < 3 || std::strcmp(argv[1], "rounds") != 0) return 255;
    com::CoInitGuard init;
    int failed = 0;
    for (int round = 0; round < n; ++round) {
        com::com_ptr<ILM> lm;
        HRESULT hr = ::CoCreateInstance(CLSID_LM, nullptr, 21, IID_ILM, lm.put_void());
        LONG loaded = -1;
        if (SUCCEEDED(hr)) hr = lm->IsLoaded(&loaded);
        if (hr != S_OK || loaded != 0) {
            std::printf("round %d: 0x%08lx, IsLoaded %ld\n", round, static_cast<unsigned long>(hr), loaded);
            ++failed;
        }
    }
    std::fflush(stdout);
    return failed;
}
