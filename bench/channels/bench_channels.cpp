// Round trips through the fast channels of an empty model set (the cost of the channel itself:
// one signal, one wait, a few bytes written in place), with the client on a thread of its own.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/host/transfer.h"
#include "com/handle.h"

namespace {

template <typename T, typename Fill>
void Measure(const char* label, const std::string& base, int count, Fill fill) {
    com::unique_handle m(OpenFileMappingA(FILE_MAP_WRITE, FALSE, (base + "_mem").c_str()));
    com::unique_view v(MapViewOfFile(m.get(), FILE_MAP_WRITE, 0, 0, sizeof(T)));
    com::unique_handle exec(OpenEventA(EVENT_MODIFY_STATE, FALSE, (base + "_exec").c_str()));
    com::unique_handle done(OpenEventA(SYNCHRONIZE, FALSE, (base + "_done").c_str()));
    if (!v || !exec || !done) {
        std::printf("%s: channel not found\n", label);
        return;
    }
    auto* block = static_cast<T*>(v.get());
    const auto t0 = std::chrono::steady_clock::now();
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        fill(*block, i);
        SetEvent(exec.get());
        if (WaitForSingleObject(done.get(), 5000) != WAIT_OBJECT_0) break;
        ++answered;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%-5s %7d round trips in %.3f s: %.0f per second, %.1f us each\n", label, answered,
                s, answered / s, 1e6 * s / answered);
}

}  // namespace

int main() {
    TTarvel set;
    if (!set.StartIsUnknown() || !set.StartProbabilityId()) {
        std::printf("channels could not be started\n");
        return 1;
    }
    constexpr int count = 20000;
    Measure<CharTransfer>("CHAR", kCharChannelName, count, [](CharTransfer& b, int i) {
        std::snprintf(b.word, sizeof b.word, "w%d", i);
    });
    Measure<IntTransfer>("INT", kIntChannelName, count, [](IntTransfer& b, int i) {
        b.n = 3;
        b.id1 = i;
        b.id2 = i + 1;
        b.id3 = i + 2;
    });
    Measure<IntTransfer>("INT4", kIntChannelName, count, [](IntTransfer& b, int i) {
        b.n = 4;
        b.id1 = b.id2 = b.id3 = b.id4 = i;
    });
    set.StopIsUnknown();
    set.StopProbabilityId();
    return 0;
}
