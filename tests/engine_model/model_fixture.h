// Shared set-up of the model tests: recording creator and fakes, a recording tool window and a
// fixed "No" for the debug check.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "Tarvel/engine/model.h"
#include "fake_components.h"
#include "fake_creator.h"
#include "fake_toolops.h"

using Calls = std::vector<std::string>;
using Lines = std::vector<std::string>;

class ModelTest : public ::testing::Test {
protected:
    static std::string Data(const char* name) { return std::string(ENGINE_MODEL_DATA) + name; }

    // A fake that the creator hands out for clsid.
    template <typename F>
    com::com_ptr<F> Provide(REFCLSID clsid) {
        auto f = fakes::Make<F>(log);
        creator.Provide(clsid, f.get());
        return f;
    }
    // Reports made so far, as captions.
    static std::vector<std::string> Captions() {
        std::vector<std::string> c;
        for (const auto& r : engine::TakeDebugReports()) c.push_back(r.caption);
        return c;
    }

    fakes::CallLog log;
    fakes::FakeCreator creator{log};
    fakes::ScopedCreator scopedCreator{creator};
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    fakes::FakeToolOps tool;
};
