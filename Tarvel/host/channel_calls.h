// The model set's fast-channel operations as the COM class reaches them. Kept behind this seam
// so the COM class builds whether or not the channel servers are part of the build.
#pragma once

class TTarvel;

namespace host {

bool StartIsUnknown(TTarvel& set);
bool StopIsUnknown(TTarvel& set);
bool StartProbabilityId(TTarvel& set);
bool StopProbabilityId(TTarvel& set);

}  // namespace host
