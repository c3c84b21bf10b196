// The model set: the models of one loaded set in load order, their interpolation weights, the
// shared word history, the language analyzer and the two fast-channel servers. The host owns one
// and reaches it from COM calls, from the channel threads and from its load and unload jobs.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "com/com_ptr.h"

struct IZA;
class TLMWrap;
class ListW;
struct CharTransfer;
struct IntTransfer;

// Base of the fast-channel servers that the set owns; their destructors stop their waiting
// threads and close their handles.
class TChannelServer {
public:
    virtual ~TChannelServer() = default;
    // Answers no request from now on, on any thread; the teardown follows.
    virtual void Halt() {}
};

class TTarvel : public std::enable_shared_from_this<TTarvel> {
public:
    TTarvel();
    virtual ~TTarvel();
    TTarvel(const TTarvel&) = delete;
    TTarvel& operator=(const TTarvel&) = delete;

    // Loading (set types 0 to 14) and the models' lifetime.
    void ClearModels();
    bool Load(const std::string& settingsFile);

    // Description texts.
    std::string GetInfo();
    std::string GetWeightInfo();

    // Queries. Words are zero-terminated texts; nullptr is an absent word.
    float Probability(const char* w1, const char* w2, const char* w3);
    float GetProbW(const char* word, int n);
    float ProbabilityFB(const char* word, const char* b1, const char* b2);
    float ProbabilityId(int a, int b, int c);
    float ProbabilityId4(int a, int b, int c, int d);
    int IsUnknown(const char* word);

    // Histories.
    bool AddHistory(const char* word, int flag);
    bool ClearHistory();
    int StartCalcCache();
    int ClearCalcCache();
    void InfoOn(int flag);
    bool IsLoaded();

    // Weight estimation.
    bool UpdateWeight();

    // The fast channels' servers: created by the host's channel start, kept until destruction.
    TChannelServer* CharChannel();
    TChannelServer* IntChannel();
    void SetCharChannel(std::unique_ptr<TChannelServer> server);
    void SetIntChannel(std::unique_ptr<TChannelServer> server);

    // The fast channels (implemented in the host's channel library). Starts are counted and a
    // channel runs until as many stops have arrived; a start is false when the channel's objects
    // cannot be created, a stop is always true.
    bool StartIsUnknown();
    bool StopIsUnknown();
    bool StartProbabilityId();
    bool StopProbabilityId();
    // Request handlers, called on the main thread with a copy of a channel's request block, in
    // which they write the marker and the result.
    void OnCharRequest(CharTransfer& request);
    void OnIntRequest(IntTransfer& request);
    // On a channel's waiting thread, with the block itself: answers in place and returns true
    // when the set's models are all in this process and the set is free; false hands it over.
    bool AnswerCharInPlace(CharTransfer& block);
    bool AnswerIntInPlace(IntTransfer& block);
    // Halts both channels, then tears them down (INT first); later starts on this set fail. The
    // set is being deleted: no request is answered from it any more.
    void EndChannels();
    // Any thread, without waiting: no request is answered from this set from now on, and its
    // channels are halted when no operation holds the set; EndChannels tears them down later.
    void HaltChannels();

protected:
    // The analyzer step of the analyzer-based set types; fills pForma and sInfo.
    bool AnalyzeWords(const char* t1, const char* t2, const char* t3);
    void EstimateWeights();
    void EMStep();
    float Perplexity();

private:
    friend struct TTarvelAccess;  // tests arrange models and histories directly

    // Copies of the history words h0 to h3 and of the analyzer buffers, taken before the models
    // are asked.
    struct Recent {
        std::string h[4];
        const char* H0() const { return h[0].c_str(); }
        const char* H1() const { return h[1].c_str(); }
        const char* H2() const { return h[2].c_str(); }
        const char* H3() const { return h[3].c_str(); }
    };
    struct Analysis {
        std::string f[3], s[3];
        const char* F1() const { return f[0].c_str(); }
        const char* F2() const { return f[1].c_str(); }
        const char* F3() const { return f[2].c_str(); }
        const char* S1() const { return s[0].c_str(); }
        const char* S2() const { return s[1].c_str(); }
        const char* S3() const { return s[2].c_str(); }
    };
    Recent RecentWords() const;
    std::string HistoryWord(int k) const;
    Analysis TakeAnalysis() const;
    bool AnalyzeOne(IZA* za, const char* word, int slot);

    bool StartAnalyzer();
    bool Build(const std::string& settingsFile);
    void WarnOfSetType();
    bool MakeHistories();
    bool LoadModels(int setType, const std::string& settingsFile);
    bool LoadModel(size_t i, const std::string& file);
    bool LoadAndWarn(TLMWrap& model, const std::string& file);
    TLMWrap* NewModel(int modelType);
    void CheckSum(size_t a, size_t b, const std::string& text);
    void CountQuery();
    void Trace(const std::string& text);
    int ModelCount() const { return static_cast<int>(models.size()); }
    void CheckInProcess();

    // Serialises every operation on the set; see the comment in modelset.cpp.
    struct Busy {
        explicit Busy(TTarvel& set);
        ~Busy();
        std::lock_guard<std::recursive_mutex> lock;
        TTarvel& set;
    };
    std::recursive_mutex guard;
    int depth = 0;  // operations running on the thread that holds the guard

    // The models as an operation found them: a load nested inside the operation replaces the
    // set's models but keeps these alive until the outermost operation ends.
    struct ModelView {
        std::unique_ptr<TLMWrap>* first;
        int count;
        std::unique_ptr<TLMWrap>& operator[](int k) const { return first[k]; }
        std::unique_ptr<TLMWrap>* begin() const { return first; }
        std::unique_ptr<TLMWrap>* end() const { return first + count; }
    };
    // After a failed load none: the models it left (set types 0 and 8 keep theirs) hold no
    // components to ask, so the set answers as before any load.
    ModelView Models() { return failed ? ModelView{nullptr, 0} : ModelView{models.data(), ModelCount()}; }
    // True while a load builds the set, or when one has replaced the models since gen was
    // read: the operation then answers the neutral value of a set that is not loaded.
    bool Unsettled(unsigned gen) const { return building || generation != gen; }

    // A call that a load's log lines let in finds building set and answers the neutral value,
    // never one of the half-built set; an operation that a nested load ran under finds the
    // generation changed. The models a nested load replaces stay in retired until the outermost
    // operation ends, so no operation's ModelView ever points at a freed model.
    bool building = false;      // a load is building the set on the guard's thread
    unsigned generation = 0;    // changes with every load
    bool retireModels = false;  // a nested load keeps the models it replaces in retired
    std::vector<std::vector<std::unique_ptr<TLMWrap>>> retired;

    bool loaded = false;
    bool failed = false;  // the last load ended without success (false, or an exception)
    int calls = 0;
    int setType = 0;
    std::vector<std::unique_ptr<TLMWrap>> models;
    int infoFlag = 0;
    int emHist = 0;
    int histSize = 0;
    std::unique_ptr<ListW> wordHist;
    float emStop = 0.99f;
    bool dynamic = false;
    com::com_ptr<IZA> analyzer;
    char pForma[3][100] = {};
    char sInfo[3][1000] = {};
    std::unique_ptr<TChannelServer> charServer;
    std::unique_ptr<TChannelServer> intServer;
    std::atomic<bool> channelsEnded{false};  // read by the channels' threads
    // Changes whenever the models are cleared; the channels' check that every model is in this
    // process holds for the value it was made at. A request is answered in place only while the
    // two agree, so a load or unload that ran in between sends it to the main thread instead.
    unsigned modelsEpoch = 0;
    unsigned checkedEpoch = ~0u;
    bool checkedInProcess = false;
    // The models' files whose mistakes this load has reported: two models may read one file.
    std::vector<std::string> warnedFiles;
    int calcCache = 0;

    // The steps both in-place answers share (defined beside them).
    template <typename T, typename Answer>
    bool AnswerInPlace(T& block, Answer answer);
    // The channels' starts and stops, one per block type (defined beside them).
    template <typename T>
    bool StartChannel(std::unique_ptr<TChannelServer>& slot);
    template <typename T>
    bool StopChannel(std::unique_ptr<TChannelServer>& slot);
};
