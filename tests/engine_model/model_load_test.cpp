#include "model_fixture.h"

namespace {

class ModelLoad : public ModelTest {
protected:
    bool Load(int type, const char* file) {
        model.type = type;
        return model.Load(Data(file));
    }
    std::string Arg(const char* file) { return "(" + Data(file) + ")"; }
    TLMWrap model;
};

TEST_F(ModelLoad, KnModelWithDefaults) {
    auto kn = Provide<fakes::FakeKN>(CLSID_Dravo);
    kn->script.Answer("Load", 1);
    EXPECT_TRUE(Load(0, "plain.set"));
    EXPECT_TRUE(model.loaded);
    EXPECT_EQ(model.kn.get(), static_cast<IKN*>(kn.get()));
    EXPECT_EQ(model.lamda, 1.0f);
    EXPECT_EQ(model.iSkip, -1);
    EXPECT_EQ(log.calls, (Calls{"Create(Dravo,21)", "IKN.Load" + Arg("plain.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "KN model loaded succesfully"}));
}

TEST_F(ModelLoad, WeightAndSkipComeFromTheFile) {
    Provide<fakes::FakeKN>(CLSID_Dravo)->script.Answer("Load", 1);
    model.lamda = 0.5f;  // what the set assigned before: the file's weight replaces it
    EXPECT_TRUE(Load(4, "weighted.set"));
    EXPECT_EQ(model.lamda, 0.25f);
    EXPECT_EQ(model.iSkip, 2);
    EXPECT_EQ(tool.lines, (Lines{"Loading Reverse KN model", "KN model loaded succesfully"}));
}

TEST_F(ModelLoad, KnLoadAnsweringZeroEmptiesTheReference) {
    Provide<fakes::FakeKN>(CLSID_Dravo);  // Load answers 0
    model.lamda = 0.7f;
    EXPECT_FALSE(Load(0, "weighted.set"));
    EXPECT_FALSE(model.loaded);
    EXPECT_FALSE(model.kn);
    EXPECT_EQ(model.lamda, 0.7f);
    EXPECT_EQ(log.calls, (Calls{"Create(Dravo,21)", "IKN.Load" + Arg("weighted.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "Load KN model failed"}));
}

TEST_F(ModelLoad, ComponentThatCannotBeCreatedFailsTheLoad) {
    creator.Fail(CLSID_Dravo, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(Load(0, "plain.set"));
    // The creation is reported, then the load meets the empty reference and is not called.
    EXPECT_EQ(Captions(), (std::vector<std::string>{"HRCHECK: ", "_ASSERTE: "}));
    EXPECT_EQ(log.calls, (Calls{"Create(Dravo,21)"}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "Load KN model failed"}));
}

TEST_F(ModelLoad, ProviderThatCannotBeCreated) {
    EXPECT_FALSE(Load(0, "sep_proc.set"));
    EXPECT_FALSE(model.provider);
    EXPECT_FALSE(model.kn);
    EXPECT_EQ(log.calls, (Calls{"CLSIDFromProgID(Fenno.LMIProvider)", "Create(CLSID_NULL,21)"}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "Can not create sep proc server"}));
    EXPECT_TRUE(Captions().empty());
}

TEST_F(ModelLoad, ProviderThatCannotMakeTheModel) {
    creator.RegisterProvider();
    auto provider = Provide<fakes::FakeProvider>(CLSID_Fenno);  // Init answers 0
    provider = nullptr;
    EXPECT_FALSE(Load(0, "sep_proc.set"));
    EXPECT_FALSE(model.provider);
    EXPECT_EQ(log.calls, (Calls{"CLSIDFromProgID(Fenno.LMIProvider)", "Create(Fenno,21)", "ILMIProvider.Init(0)"}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "Can not create lm in sep proc server"}));
}

TEST_F(ModelLoad, KnModelThroughTheProvider) {
    creator.RegisterProvider();
    auto provider = Provide<fakes::FakeProvider>(CLSID_Fenno);
    auto kn = fakes::Make<fakes::FakeKN>(log);
    provider->kn = com::com_ptr<IKN>(kn.get());
    provider->script.Answer("Init", 1);
    kn->script.Answer("Load", 1);
    EXPECT_TRUE(Load(0, "sep_proc.set"));
    EXPECT_EQ(model.provider.get(), static_cast<ILMIProvider*>(provider.get()));
    EXPECT_EQ(model.kn.get(), static_cast<IKN*>(kn.get()));
    EXPECT_EQ(model.lamda, 0.5f);
    EXPECT_EQ(log.calls, (Calls{"CLSIDFromProgID(Fenno.LMIProvider)", "Create(Fenno,21)", "ILMIProvider.Init(0)",
                                "ILMIProvider.GetLMI()", "IKN.Load" + Arg("sep_proc.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "KN model loaded succesfully"}));
}

TEST_F(ModelLoad, FailedKnLoadKeepsTheProvider) {
    creator.RegisterProvider();
    auto provider = Provide<fakes::FakeProvider>(CLSID_Fenno);
    provider->kn = fakes::Ref<IKN>(fakes::Make<fakes::FakeKN>(log));
    provider->script.Answer("Init", 1);
    EXPECT_FALSE(Load(0, "sep_proc.set"));
    EXPECT_TRUE(model.provider);
    EXPECT_FALSE(model.kn);
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "Load KN model failed"}));
}

TEST_F(ModelLoad, ModifiedKnDirectAndThroughTheProvider) {
    auto kn1 = Provide<fakes::FakeKN1>(CLSID_Zemra);
    kn1->script.Answer("Load", 1);
    EXPECT_TRUE(Load(10, "weighted.set"));
    EXPECT_EQ(model.lamda, 0.25f);
    EXPECT_EQ(log.calls, (Calls{"Create(Zemra,21)", "IKN1.Load" + Arg("weighted.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading KN1 model", "Modified KN model loaded succesfully"}));

    TLMWrap other;
    other.type = 10;
    log.Clear();
    tool.lines.clear();
    creator.RegisterProvider();
    auto provider = Provide<fakes::FakeProvider>(CLSID_Fenno);
    provider->kn1 = com::com_ptr<IKN1>(kn1.get());
    provider->script.Answer("Init", 1);
    EXPECT_TRUE(other.Load(Data("sep_proc.set")));
    EXPECT_EQ(other.kn1.get(), static_cast<IKN1*>(kn1.get()));
    EXPECT_EQ(log.calls, (Calls{"CLSIDFromProgID(Fenno.LMIProvider)", "Create(Fenno,21)", "ILMIProvider.Init(1)",
                                "ILMIProvider.GetLMI_KN1()", "IKN1.Load" + Arg("sep_proc.set")}));
}

TEST_F(ModelLoad, ModifiedKnLoadFailure) {
    Provide<fakes::FakeKN1>(CLSID_Zemra);
    EXPECT_FALSE(Load(10, "plain.set"));
    EXPECT_FALSE(model.kn1);
    EXPECT_EQ(tool.lines, (Lines{"Loading KN1 model", "Load KN model failed"}));
}

TEST_F(ModelLoad, BinaryCmuGetsTheResolvedModelFile) {
    auto cmu = Provide<fakes::FakeCMU>(CLSID_Gorta);
    cmu->script.Answer("Load", 1);
    EXPECT_TRUE(Load(5, "cmu.set"));
    EXPECT_EQ(model.lamda, 0.75f);
    EXPECT_EQ(log.calls, (Calls{"Create(Gorta,21)", "ICMU.Load(C:\\models\\bin.cmu)"}));
    EXPECT_EQ(tool.lines, (Lines{"Loading binary Reverse CMU model", "Binary CMU model loaded succesfully"}));
}

TEST_F(ModelLoad, BinaryCmuWithoutModelKeyLoadsEmptyTextAndKeepsItsReferenceOnFailure) {
    Provide<fakes::FakeCMU>(CLSID_Gorta);
    EXPECT_FALSE(Load(1, "plain.set"));
    EXPECT_TRUE(model.cmu);
    EXPECT_EQ(log.calls, (Calls{"Create(Gorta,21)", "ICMU.Load()"}));
    EXPECT_EQ(tool.lines, (Lines{"Loading binary CMU model", "Load binary CMU model failed"}));
}

TEST_F(ModelLoad, CacheWeightDefaultsToZero) {
    Provide<fakes::FakeCache>(CLSID_Pirto)->script.Answer("Load", 1);
    EXPECT_TRUE(Load(2, "plain.set"));
    EXPECT_EQ(model.lamda, 0.0f);
    EXPECT_EQ(tool.lines, (Lines{"Loading cache model", "Cache model loaded succesfully"}));
}

TEST_F(ModelLoad, CacheLoadFailureKeepsTheReference) {
    Provide<fakes::FakeCache>(CLSID_Pirto);
    EXPECT_FALSE(Load(2, "plain.set"));
    EXPECT_TRUE(model.cache);
    EXPECT_EQ(tool.lines, (Lines{"Loading cache model", "Load cache model failed"}));
}

TEST_F(ModelLoad, ClassModelOverKnLoadsBothAndIgnoresSepProc) {
    Provide<fakes::FakeWC>(CLSID_Vasko)->script.Answer("Load", 1);
    Provide<fakes::FakeKN>(CLSID_Dravo)->script.Answer("Load", 1);
    EXPECT_TRUE(Load(6, "sep_proc.set"));
    EXPECT_EQ(model.lamda, 0.5f);
    EXPECT_EQ(log.calls, (Calls{"Create(Vasko,21)", "IWC.Load" + Arg("sep_proc.set"), "Create(Dravo,21)",
                                "IKN.Load" + Arg("sep_proc.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "WC model loaded succesfully", "KN model loaded succesfully",
                                 "Class model loaded succesfully"}));
}

TEST_F(ModelLoad, ClassModelOverKnFailures) {
    Provide<fakes::FakeWC>(CLSID_Vasko)->script.Answer("Load", 1);
    Provide<fakes::FakeKN>(CLSID_Dravo);
    EXPECT_FALSE(Load(6, "plain.set"));
    EXPECT_TRUE(model.wc);
    EXPECT_FALSE(model.kn);
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "WC model loaded succesfully", "Load KN model failed"}));
}

TEST_F(ModelLoad, ClassModelOverKnWithoutItsClassModel) {
    Provide<fakes::FakeWC>(CLSID_Vasko);  // Load answers 0
    EXPECT_FALSE(Load(6, "plain.set"));
    EXPECT_TRUE(model.wc);
    EXPECT_EQ(log.calls, (Calls{"Create(Vasko,21)", "IWC.Load" + Arg("plain.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "Load class model failed"}));
}

TEST_F(ModelLoad, ClassAndCacheUsesTheSecondLoadingForm) {
    Provide<fakes::FakeWC>(CLSID_Vasko)->script.Answer("Load1", 1);
    Provide<fakes::FakeCache>(CLSID_Pirto);  // Load answers 0
    EXPECT_FALSE(Load(7, "plain.set"));
    EXPECT_TRUE(model.wc);
    EXPECT_TRUE(model.cache);
    EXPECT_EQ(log.calls, (Calls{"Create(Vasko,21)", "IWC.Load1" + Arg("plain.set"), "Create(Pirto,21)",
                                "ICache.Load" + Arg("plain.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "WC model loaded succesfully", "Loading cache model",
                                 "Load cache model failed"}));
}

TEST_F(ModelLoad, ClassAndCacheLoaded) {
    Provide<fakes::FakeWC>(CLSID_Vasko)->script.Answer("Load1", 1);
    Provide<fakes::FakeCache>(CLSID_Pirto)->script.Answer("Load", 1);
    EXPECT_TRUE(Load(7, "plain.set"));
    EXPECT_EQ(model.lamda, 1.0f);
    EXPECT_EQ(tool.lines.back(), "Cache model loaded succesfully");
}

TEST_F(ModelLoad, ClassModelAloneKeepsItsWeight) {
    Provide<fakes::FakeWC>(CLSID_Vasko)->script.Answer("Load1", 1);
    model.lamda = 0.3f;
    EXPECT_TRUE(Load(9, "weighted.set"));
    EXPECT_EQ(model.lamda, 0.3f);
    EXPECT_EQ(log.calls, (Calls{"Create(Vasko,21)", "IWC.Load1" + Arg("weighted.set")}));
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "WC model loaded succesfully"}));
}

TEST_F(ModelLoad, ClassModelFailureKeepsTheReference) {
    Provide<fakes::FakeWC>(CLSID_Vasko);
    EXPECT_FALSE(Load(9, "plain.set"));
    EXPECT_TRUE(model.wc);
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "Load class model failed"}));
}

TEST_F(ModelLoad, WordInClassDropsAnyKnReference) {
    Provide<fakes::FakeWC>(CLSID_Vasko)->script.Answer("Load", 1);
    model.kn = fakes::Ref<IKN>(fakes::Make<fakes::FakeKN>(log));
    EXPECT_TRUE(Load(11, "weighted.set"));
    EXPECT_FALSE(model.kn);
    EXPECT_EQ(model.lamda, 0.25f);
    EXPECT_EQ(log.calls, (Calls{"Create(Vasko,21)", "IWC.Load" + Arg("weighted.set"), "IKN.Release"}));
}

TEST_F(ModelLoad, TypeFromTheFile) {
    Provide<fakes::FakeKN>(CLSID_Dravo)->script.Answer("Load", 1);
    EXPECT_TRUE(Load(-1, "plain.set"));  // no "type" key: a KN model
    EXPECT_EQ(model.type, 0);

    TLMWrap view;
    view.type = -1;
    tool.lines.clear();
    EXPECT_FALSE(view.Load(Data("type3.set")));
    EXPECT_EQ(view.type, 3);
    EXPECT_EQ(view.iSkip, 4);
    EXPECT_EQ(tool.lines, (Lines{"ERROR: Unknown type"}));
}

TEST_F(ModelLoad, TypesWithoutALoad) {
    for (int type : {3, 8, 12, -2}) {
        TLMWrap m;
        m.type = type;
        tool.lines.clear();
        EXPECT_FALSE(m.Load(Data("plain.set"))) << type;
        EXPECT_EQ(tool.lines, (Lines{"ERROR: Unknown type"})) << type;
    }
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(ModelLoad, UnreadableSettingsFileChangesNothing) {
    model.type = -1;
    model.iSkip = 7;
    model.loaded = true;
    std::string missing = Data("missing.set");
    EXPECT_FALSE(model.Load(missing));
    EXPECT_FALSE(model.loaded);
    EXPECT_EQ(model.type, -1);
    EXPECT_EQ(model.iSkip, 7);
    EXPECT_EQ(tool.lines, (Lines{"ERROR: Can not Init settings file " + missing}));
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(ModelLoad, DestructorReleasesInItsOrder) {
    {
        TLMWrap m;
        m.wc = fakes::Ref<IWC>(fakes::Make<fakes::FakeWC>(log));
        m.provider = fakes::Ref<ILMIProvider>(fakes::Make<fakes::FakeProvider>(log));
        m.kn1 = fakes::Ref<IKN1>(fakes::Make<fakes::FakeKN1>(log));
        m.cache = fakes::Ref<ICache>(fakes::Make<fakes::FakeCache>(log));
        m.cmu = fakes::Ref<ICMU>(fakes::Make<fakes::FakeCMU>(log));
        m.kn = fakes::Ref<IKN>(fakes::Make<fakes::FakeKN>(log));
        m.MakeHistory(4);
    }
    EXPECT_EQ(log.calls, (Calls{"IKN.Release", "ICMU.Release", "ICache.Release", "IWC.Release", "IKN1.Release",
                                "ILMIProvider.Release"}));
}

}  // namespace
