// Standard error of a process that no terminal watches (a server that COM started), sent to a
// file where its messages can be found.
#pragma once
#include <string>

namespace com {

// Points descriptor 2, and with it the stderr stream, at the file, emptied first; false when the
// file cannot be opened. The descriptor is redirected rather than the stream, as a process
// started without standard handles has a stream that cannot be reopened.
bool RedirectStderr(const std::string& path);

// Writes the text to standard error as it stands and flushes it. A process started without
// standard handles has a stream without a descriptor: the text then goes to descriptor 2, which
// RedirectStderr may have pointed at a file since.
void WriteStderr(const std::string& text);

// Redirects standard error to the file of that name beside this module, or, when that folder
// cannot be written, in the temporary folder; the path used, or "" when neither opens.
std::string RedirectStderrBesideModule(const std::string& fileName);

}  // namespace com
