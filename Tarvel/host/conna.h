// The Win32 objects of one fast channel: a named mapping backed by the page file that holds one
// request block T, a view of it, and two named auto-reset events (request, completion).
#pragma once
#include <windows.h>

#include <cstdio>

#include "com/handle.h"

template <typename T>
class ConnA {
public:
    ConnA() = default;
    ConnA(const ConnA&) = delete;
    ConnA& operator=(const ConnA&) = delete;
    ~ConnA() { Release(); }

    // Creates the mapping "<base>_mem" and, through Attach, the view and the events. A mapping
    // that already exists (another server, or a client that made it first) is refused; its handle
    // is kept until the next attempt or the end of this object. True at once when created.
    bool Create(const char* base) {
        if (created) return true;
        mapping.reset();  // a previous failed attempt's handle: let a vanished owner's name go
        char name[100];
        std::snprintf(name, sizeof name, "%s_mem", base);
        mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         sizeof(T), name));
        if (!mapping) return false;
        if (GetLastError() == ERROR_ALREADY_EXISTS) return false;
        if (Attach(base)) return true;
        mapping.reset();
        return false;
    }

    // Maps the view and creates "<base>_exec" and "<base>_done". Anything that cannot be made
    // undoes the rest, so a channel never runs on a missing view or an invalid event.
    bool Attach(const char* base) {
        view.reset(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(T)));
        char name[52];
        std::snprintf(name, sizeof name, "%s_exec", base);
        execEvent.reset(CreateEventA(nullptr, FALSE, FALSE, name));
        std::snprintf(name, sizeof name, "%s_done", base);
        doneEvent.reset(CreateEventA(nullptr, FALSE, FALSE, name));
        if (!view || !execEvent || !doneEvent) {
            execEvent.reset();
            doneEvent.reset();
            view.reset();
            return false;
        }
        created = true;
        return true;
    }

    // Closes the events, unmaps the view and closes the mapping, in that order.
    void Release() {
        execEvent.reset();
        doneEvent.reset();
        view.reset();
        mapping.reset();
        created = false;
    }

    T* Block() const { return static_cast<T*>(view.get()); }

    com::unique_handle execEvent;
    com::unique_handle doneEvent;
    com::unique_handle mapping;
    com::unique_view view;
    bool created = false;
};
