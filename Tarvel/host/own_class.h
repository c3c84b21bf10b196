// The program's own class for the server window's load job. COM's lookup by class id may name
// the class object of another Tarvel process (one that COM started for a client that came before
// this server offered its class, or one that is leaving); the load job must load this server's
// set and must not keep another server running with its connection. So, while this server
// serves, the engine creates LM through this process's class object, reached from any apartment
// through the global interface table; every other class as before.
#pragma once
#include <objbase.h>

namespace host {

// Main thread, once the class object exists; a later offer replaces the one before.
void OfferOwnClass(IClassFactory* factory);
// Main thread, when serving ends.
void WithdrawOwnClass();

}  // namespace host
