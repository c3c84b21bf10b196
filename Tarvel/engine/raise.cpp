#include "Tarvel/engine/raise.h"
#include <stdexcept>

namespace engine {
void RaiseException(const std::string& message) {
    throw std::runtime_error(message);
}
}  // namespace engine
