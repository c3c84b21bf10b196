#include "Tarvel/shell/gothread.h"

void TGoThread::Execute() {
    Working = true;
    struct Clear {
        std::atomic<bool>& flag;
        ~Clear() { flag = false; }
    } clear{Working};
    if (OnGo) OnGo();
}
