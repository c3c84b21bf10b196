#include "fake_toolops.h"

namespace fakes {

FakeToolOps::FakeToolOps() : settings(std::make_unique<TSettings>()), previous_(mForm) {
    mForm = this;
}

FakeToolOps::~FakeToolOps() {
    mForm = previous_;
}

bool FakeToolOps::InitSettings(const std::string& file) {
    initCalls.push_back(file);
    if (file.empty()) return true;
    settings = std::make_unique<TSettings>();
    if (!settingsFile.empty()) settings->Load(settingsFile);
    return true;
}

}  // namespace fakes
