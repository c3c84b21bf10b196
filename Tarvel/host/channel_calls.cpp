// Without the channel servers in the build, no channel starts and none is running to stop.
#include "Tarvel/host/channel_calls.h"

namespace host {

bool StartIsUnknown(TTarvel&) { return false; }
bool StopIsUnknown(TTarvel&) { return false; }
bool StartProbabilityId(TTarvel&) { return false; }
bool StopProbabilityId(TTarvel&) { return false; }

}  // namespace host
