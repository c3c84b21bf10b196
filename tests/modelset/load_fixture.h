// A model set with every component faked: creation hands out the fakes below, the tool window
// records its lines, and settings files are written to a folder of the test's own.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Tarvel/engine/numformat.h"
#include "access.h"
#include "fake_components.h"
#include "fake_creator.h"
#include "fake_toolops.h"
#include "temp_dir.h"
#include "word_analyzer.h"

class SetFixture : public ::testing::Test {
protected:
    fakes::CallLog calls;
    fakes::FakeCreator creator{calls};
    fakes::ScopedCreator scopedCreator{creator};
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    fakes::FakeToolOps form;
    TempDir dir;
    com::com_ptr<fakes::FakeKN> kn = fakes::Make<fakes::FakeKN>(calls);
    com::com_ptr<fakes::FakeKN1> kn1 = fakes::Make<fakes::FakeKN1>(calls);
    com::com_ptr<fakes::FakeCMU> cmu = fakes::Make<fakes::FakeCMU>(calls);
    com::com_ptr<fakes::FakeCache> cache = fakes::Make<fakes::FakeCache>(calls);
    com::com_ptr<fakes::FakeWC> wc = fakes::Make<fakes::FakeWC>(calls);
    com::com_ptr<WordAnalyzer> za = com::com_ptr<WordAnalyzer>::attach(new WordAnalyzer(calls));
    TTarvel set;  // last: goes before the fakes and the window

    void SetUp() override {
        creator.Provide(CLSID_Dravo, kn.get());
        creator.Provide(CLSID_Zemra, kn1.get());
        creator.Provide(CLSID_Gorta, cmu.get());
        creator.Provide(CLSID_Pirto, cache.get());
        creator.Provide(CLSID_Vasko, wc.get());
        creator.Provide(CLSID_Morvek, za.get());
        kn->script.Answer("Load", 1);
        kn1->script.Answer("Load", 1);
        cmu->script.Answer("Load", 1);
        cache->script.Answer("Load", 1);
        wc->script.Answer("Load", 1);
        wc->script.Answer("Load1", 1);
        za->script.Answer("Init", 1);
    }

    // Writes the program's settings file (what the window reloads) and returns its name.
    std::string Settings(const std::string& text) {
        form.settingsFile = dir.Write("tarvel.set", text);
        return form.settingsFile;
    }
    bool Load(const std::string& text) { return set.Load(Settings(text)); }

    bool Logged(const std::string& line) const {
        return std::find(form.lines.begin(), form.lines.end(), line) != form.lines.end();
    }
    // Position of a line in the log, -1 when absent.
    int At(const std::string& line) const {
        auto it = std::find(form.lines.begin(), form.lines.end(), line);
        return it == form.lines.end() ? -1 : static_cast<int>(it - form.lines.begin());
    }
    bool Called(const std::string& call) const {
        return std::find(calls.calls.begin(), calls.calls.end(), call) != calls.calls.end();
    }
    // A weight as the log writes it.
    static std::string W(double w) { return engine::FormatGeneral(w); }

    TLMWrap& M(int i) { return TTarvelAccess::Model(set, i); }
    int Count() { return TTarvelAccess::Count(set); }
};
