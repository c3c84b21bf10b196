// Tarvel: the language-model server program. The application's initialisation sets up COM and
// the server module (switches, registration, class object); then the server window runs the
// message loop, through which every COM call arrives.
#include <windows.h>

#include <exception>
#include <memory>

#include "Tarvel/host/cWin.h"
#include "Tarvel/host/server.h"
#include "com/coinit.h"
#include "forms/application.h"
#include "forms/exception.h"
#include "forms/guard.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::unique_ptr<com::CoInitGuard> com;
    bool serve = true;
    // COM for the main thread as a single-threaded apartment; the server module's start-up
    // step goes in front and runs after it.
    Application.InitProc = [&com] { com = std::make_unique<com::CoInitGuard>(COINIT_APARTMENTTHREADED); };
    Application.InitProc = [previous = Application.InitProc, &serve] {
        if (previous) previous();
        serve = host::ServerStartup(Application.Params());
        if (serve) Application.AddTerminateProc([] { return host::TerminationCheck(); });
    };

    std::unique_ptr<TmForm1> window;
    forms::Guard([&] {
        Application.Initialize();
        if (!serve) return;  // a registration switch: done, without a window
        window = std::make_unique<TmForm1>();
        Application.SetMainForm(window.get());
        Application.Run();
    });
    Application.SetMainForm(nullptr);
    window.reset();
    host::ServerShutdown();
    return 0;
}
