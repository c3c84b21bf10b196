#include "fake_base.h"
#include "com/bstr.h"

namespace fakes {

double Script::Value(const std::string& method, const std::string& call) const {
    if (auto it = values_.find(call); it != values_.end()) return it->second;
    if (auto it = values_.find(method); it != values_.end()) return it->second;
    return 0.0;
}

std::string Script::Text(const std::string& method, const std::string& call) const {
    if (auto it = texts_.find(call); it != texts_.end()) return it->second;
    if (auto it = texts_.find(method); it != texts_.end()) return it->second;
    return std::string();
}

HRESULT Script::Result(const std::string& method, const std::string& call) const {
    if (auto it = failures_.find(call); it != failures_.end()) return it->second;
    if (auto it = failures_.find(method); it != failures_.end()) return it->second;
    return S_OK;
}

std::string Arg(BSTR b) {
    return b ? com::FromBstr(b) : std::string("<null>");
}

std::string Arg(long v) {
    return std::to_string(v);
}

}  // namespace fakes
