#include "forms/guard.h"

#include <exception>

#include "forms/application.h"
#include "forms/exception.h"

namespace forms {

void Guard(const std::function<void()>& fn) noexcept {
    try {
        try {
            fn();
        } catch (const std::exception& e) {
            Application.ShowException(e);
        } catch (...) {
            Application.ShowException(Exception(""));
        }
    } catch (...) {
        // The display itself failed: nothing more can be done here.
    }
}

}  // namespace forms
