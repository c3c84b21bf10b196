// A client's end of one of Tarvel's shared-memory channels, opened by name.
#pragma once
#include <windows.h>

#include <string>

#include "com/handle.h"

namespace chantest {

template <typename T>
class Channel {
public:
    explicit Channel(const std::string& base)
        : mapping_(OpenFileMappingA(FILE_MAP_WRITE, FALSE, (base + "_mem").c_str())),
          view_(mapping_ ? MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, sizeof(T)) : nullptr),
          exec_(OpenEventA(EVENT_MODIFY_STATE, FALSE, (base + "_exec").c_str())),
          done_(OpenEventA(SYNCHRONIZE, FALSE, (base + "_done").c_str())) {}
    bool Open() const { return view_ && exec_ && done_; }
    T& Block() { return *static_cast<T*>(view_.get()); }
    // One request: the marker cleared, the request signalled, its completion awaited.
    bool Send(DWORD ms = 10000) {
        Block().marker = 0;
        SetEvent(exec_.get());
        return WaitForSingleObject(done_.get(), ms) == WAIT_OBJECT_0;
    }

private:
    com::unique_handle mapping_;
    com::unique_view view_;
    com::unique_handle exec_, done_;
};

}  // namespace chantest
