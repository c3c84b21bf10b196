#include "ngram/binary_model.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include "ngram/arpa_reader.h"
#include "ngram/load_error.h"
#include "ngram/text.h"

namespace ngram {

namespace {

constexpr std::string_view kEndMagic = "END!";

template <typename T>
void Put(std::string& out, T v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

class Reader {
public:
    Reader(std::string_view data, const std::string& name) : data_(data), name_(name) {}
    template <typename T>
    T Get() {
        T v;
        Need(sizeof v);
        std::memcpy(&v, data_.data() + pos_, sizeof v);
        pos_ += sizeof v;
        return v;
    }
    std::string_view Bytes(size_t n) {
        Need(n);
        std::string_view s = data_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw LoadError(name_ + ": " + what + " in the " + where + " at byte " + std::to_string(pos_));
    }
    std::string where = "header";

private:
    void Need(size_t n) const {
        if (data_.size() - pos_ < n) Fail("file truncated");
    }
    std::string_view data_;
    size_t pos_ = 0;
    const std::string& name_;
};

std::string Section(int n) { return std::to_string(n) + "-grams"; }

}  // namespace

std::string SerializeBinary(const NgramModel& model) {
    std::string out(kBinaryMagic);
    const int order = model.Order();
    Put<uint32_t>(out, static_cast<uint32_t>(order));
    for (int n = 1; n <= order; ++n) Put<uint32_t>(out, static_cast<uint32_t>(model.Count(n)));
    const int32_t size = model.VocabularySize();
    Put<uint32_t>(out, static_cast<uint32_t>(size));
    for (int32_t id = 0; id < size; ++id) {
        const std::string& w = model.Word(id);
        Put<uint32_t>(out, static_cast<uint32_t>(w.size()));
        out += w;
    }
    out.push_back(model.HasUnknownWord() ? 1 : 0);
    for (int32_t id = 0; id < size; ++id) Put<float>(out, model.HasUnknownWord() || id ? model.UnigramProb(id) : 0.0f);
    for (int32_t id = 0; id < size; ++id) Put<float>(out, model.UnigramBow(id));
    for (int n = 2; n <= order; ++n) {
        model.ForEachNgram(n, [&](const int32_t* ids, float prob, float bow) {
            out.append(reinterpret_cast<const char*>(ids), sizeof(int32_t) * static_cast<size_t>(n));
            Put<float>(out, prob);
            Put<float>(out, bow);
        });
    }
    out += kEndMagic;
    return out;
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
}  // namespace

void WriteBinaryFile(const NgramModel& model, const std::string& path) {
    const std::string data = SerializeBinary(model);
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f) throw LoadError("Can not create file: " + path);
    if (std::fwrite(data.data(), 1, data.size(), f.get()) != data.size() || std::fflush(f.get()) != 0)
        throw LoadError("Can not write file: " + path);
}

NgramModel ParseBinary(std::string_view data, const std::string& name, bool vocabularyOnly) {
    Reader r(data, name);
    if (r.Bytes(kBinaryMagic.size()) != kBinaryMagic) r.Fail("not a binary model");
    const uint32_t order = r.Get<uint32_t>();
    if (order < 1 || order > NgramModel::kMaxOrder) r.Fail("bad order " + std::to_string(order));
    std::array<size_t, NgramModel::kMaxOrder> counts{};
    for (uint32_t n = 1; n <= order; ++n) {
        counts[n - 1] = r.Get<uint32_t>();
        // Every entry takes at least 8 bytes: a count beyond the file is a damaged header.
        if (counts[n - 1] > data.size() / 8) r.Fail("bad count of the " + Section(static_cast<int>(n)));
    }
    const uint32_t size = r.Get<uint32_t>();
    if (size < 1 || size > counts[0] + 1) r.Fail("bad vocabulary size " + std::to_string(size));

    NgramModel model;
    model.Start(static_cast<int>(order), counts);
    r.where = "vocabulary";
    std::vector<std::string_view> words(size);
    for (uint32_t id = 0; id < size; ++id) {
        uint32_t len = r.Get<uint32_t>();
        words[id] = r.Bytes(len);
    }
    const bool hasUnk = r.Get<uint8_t>() != 0;
    r.where = Section(1);
    std::vector<float> probs(size), bows(size);
    for (auto& p : probs) p = r.Get<float>();
    for (auto& b : bows) b = r.Get<float>();
    for (uint32_t id = 0; id < size; ++id) {
        if (!std::isfinite(probs[id]) || !std::isfinite(bows[id]) || probs[id] > 0.0f) r.Fail("bad number");
        if (id == 0 && !hasUnk) continue;
        if (!model.AddWord(id == 0 ? std::string_view("<unk>") : words[id], probs[id], bows[id]) ||
            model.WordId(words[id]) != static_cast<int32_t>(id))
            r.Fail("duplicate word \"" + std::string(words[id]) + "\"");
    }
    if (vocabularyOnly) {
        model.Finish();
        return model;
    }
    for (uint32_t n = 2; n <= order; ++n) {
        r.where = Section(static_cast<int>(n));
        int32_t ids[NgramModel::kMaxOrder];
        for (size_t i = 0; i < counts[n - 1]; ++i) {
            for (uint32_t k = 0; k < n; ++k) {
                ids[k] = r.Get<int32_t>();
                if (ids[k] < 0 || ids[k] >= static_cast<int32_t>(size)) r.Fail("bad word id");
            }
            float prob = r.Get<float>();
            float bow = r.Get<float>();
            if (!std::isfinite(prob) || !std::isfinite(bow) || prob > 0.0f) r.Fail("bad number");
            if (!model.AddNgram(static_cast<int>(n), ids, prob, bow)) r.Fail("duplicate n-gram");
        }
    }
    r.where = "end";
    if (r.Bytes(kEndMagic.size()) != kEndMagic) r.Fail("missing end mark");
    model.Finish();
    return model;
}

NgramModel ReadModelFile(const std::string& path, bool vocabularyOnly) {
    const std::string data = ReadWholeFile(path);
    if (std::string_view(data).substr(0, kBinaryMagic.size()) == kBinaryMagic)
        return ParseBinary(data, path, vocabularyOnly);
    return ParseArpa(data, path, vocabularyOnly ? ArpaPart::VocabularyOnly : ArpaPart::Whole);
}

}  // namespace ngram
