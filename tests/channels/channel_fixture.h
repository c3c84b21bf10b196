// A model set of one modified-KN model over a recording fake, with a thread-safe recording tool
// window: the channels' threads log and query while the test watches.
#pragma once
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Tarvel/engine/model.h"
#include "Tarvel/engine/modelset.h"
#include "access.h"
#include "com/handle.h"
#include "fake_components.h"
#include "fake_creator.h"
#include "recording_form.h"

class ChannelFixture : public ::testing::Test {
protected:
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    RecordingForm form;
    fakes::CallLog calls;
    com::com_ptr<fakes::FakeKN1> kn1 =
        com::com_ptr<fakes::FakeKN1>::attach(new fakes::FakeKN1(calls, "K"));
    std::unique_ptr<TTarvel> set = std::make_unique<TTarvel>();  // last: goes first

    void SetUp() override {
        TLMWrap& m = TTarvelAccess::Add(*set, TLMWrap::KN1, 1.0f);
        m.kn1 = com::com_ptr<IKN1>(kn1.get());
        kn1->script.Answer("GetWordId(labas)", 17);
        kn1->script.Answer("GetWordId(" + std::string(99, 'b') + ")", 99);
        kn1->script.Answer("ProbabilityI(1,2,3)", 0.1);
        kn1->script.Answer("ProbabilityI(5,6,7)", 0.001);
        kn1->script.Answer("ProbabilityI4(1,2,3,4)", 0.01);
    }
    void TearDown() override {
        set.reset();  // with its channels, before the fakes and the window
    }

    bool Logged(const std::string& line) {
        auto lines = form.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    int CountOf(const std::string& line) {
        auto lines = form.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    static bool Exists(const char* mapping) {
        com::unique_handle h(OpenFileMappingA(FILE_MAP_READ, FALSE, mapping));
        return h.valid();
    }
};
