// A channel client in a process of its own: opens the server's mapping and events by name (never
// creates them), sends requests and prints what it got back, one line per request:
//   "result=<value> marker=<marker>"  (INT results also as "bits=<hex>")
// Usage:
//   channel_client char <word> [timeoutMs]         word "@full" fills all 100 bytes, no NUL
//   channel_client int <n> <id1> <id2> <id3> <id4> [timeoutMs]
//   channel_client char-repeat <count> <word>      prints "open" first, then "ok=<count answered>"
//                                                   and the last line
//   channel_client int-repeat <count> <n> <id1> <id2> <id3> <id4>
//   channel_client hold-int <delayMs> <timeoutMs>  prints "open", sleeps, then sends n=3 (1,2,3)
// Exit codes: 0 answered, 2 timed out, 3 objects not found, 4 usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Tarvel/host/transfer.h"
#include "tests/support/channel_end.h"

namespace {

using chantest::Channel;

int Fail(int code, const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
    return code;
}

void PrintInt(const IntTransfer* b) {
    unsigned bits = 0;
    std::memcpy(&bits, &b->result, sizeof bits);
    std::printf("result=%.9g bits=%08x marker=%d\n", b->result, bits, b->marker);
}

int CharRequests(int count, const char* word, DWORD timeoutMs) {
    Channel<CharTransfer> c(kCharChannelName);
    if (!c.Open()) return Fail(3, "noopen");
    if (count > 1) Fail(0, "open");
    CharTransfer* b = &c.Block();
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(word, "@full") == 0)
            std::memset(b->word, 'a', sizeof b->word);
        else
            std::snprintf(b->word, sizeof b->word, "%s", word);
        if (!c.Send(timeoutMs)) return Fail(2, "timeout");
        ++answered;
    }
    if (count > 1) std::printf("ok=%d\n", answered);
    std::printf("result=%d marker=%d\n", b->result, b->marker);
    return 0;
}

int IntRequests(int count, char** a, DWORD timeoutMs) {
    Channel<IntTransfer> c(kIntChannelName);
    if (!c.Open()) return Fail(3, "noopen");
    if (count > 1) Fail(0, "open");
    IntTransfer* b = &c.Block();
    int answered = 0;
    for (int i = 0; i < count; ++i) {
        b->n = std::atoi(a[0]);
        b->id1 = std::atoi(a[1]);
        b->id2 = std::atoi(a[2]);
        b->id3 = std::atoi(a[3]);
        b->id4 = std::atoi(a[4]);
        if (!c.Send(timeoutMs)) return Fail(2, "timeout");
        ++answered;
    }
    if (count > 1) std::printf("ok=%d\n", answered);
    PrintInt(b);
    return 0;
}

int Hold(DWORD delayMs, DWORD timeoutMs) {
    Channel<IntTransfer> c(kIntChannelName);
    if (!c.Open()) return Fail(3, "noopen");
    Fail(0, "open");
    Sleep(delayMs);
    IntTransfer* b = &c.Block();
    b->n = 3;
    b->id1 = 1;
    b->id2 = 2;
    b->id3 = 3;
    if (!c.Send(timeoutMs)) return Fail(2, "timeout");
    PrintInt(b);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    auto timeout = [&](int i) { return static_cast<DWORD>(argc > i ? std::atoi(argv[i]) : 5000); };
    int rc = 4;
    if (mode == "char" && argc >= 3)
        rc = CharRequests(1, argv[2], timeout(3));
    else if (mode == "int" && argc >= 7)
        rc = IntRequests(1, argv + 2, timeout(7));
    else if (mode == "char-repeat" && argc >= 4)
        rc = CharRequests(std::atoi(argv[2]), argv[3], 5000);
    else if (mode == "int-repeat" && argc >= 8)
        rc = IntRequests(std::atoi(argv[2]), argv + 3, 5000);
    else if (mode == "hold-int" && argc >= 4)
        rc = Hold(timeout(2), timeout(3));
    std::fflush(stdout);
    return rc;
}
