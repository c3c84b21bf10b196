// A process that meets one failed call, as a server started by a test would: TARVEL_HRCHECK in
// its environment answers the debug check. Exit code 0: went on; 2: raised; 1: no report seen.
#include <windows.h>
#include "Tarvel/engine/servers.h"
#include "forms/exception.h"

int main() {
    try {
        engine::DebugCheck(E_FAIL, "this->Load(Param1, (long*)&Param2)", __FILE__, __LINE__);
    } catch (const Exception&) {
        return 2;
    }
    return engine::TakeDebugReports().size() == 1 ? 0 : 1;
}
