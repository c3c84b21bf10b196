#include "ngram/arpa_reader.h"
#include <array>
#include "ngram/load_error.h"
#include "ngram/text.h"

namespace ngram {

namespace {

class ArpaParser {
public:
    ArpaParser(std::string_view text, const std::string& name) : cursor_(text), name_(name), textSize_(text.size()) {}

    NgramModel Parse(ArpaPart part) {
        ReadHeader();
        model_.Start(order_, counts_);
        const int last = part == ArpaPart::VocabularyOnly ? 1 : order_;
        for (int n = 1; n <= last; ++n) ReadSection(n);
        if (part == ArpaPart::Whole) ReadEnd();
        model_.Finish();
        return std::move(model_);
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw LoadError(name_ + ": " + what + " in the " + where_ + " at line " + std::to_string(cursor_.LineNumber()));
    }
    [[noreturn]] void FailAtEnd(const std::string& what) const {
        throw LoadError(name_ + ": " + what + " in the " + where_ + " at the end of the file (line " +
                        std::to_string(cursor_.LineNumber()) + ")");
    }
    static std::string Section(int n) { return std::to_string(n) + "-grams"; }

    // Next line that is not blank; false at the end of the text.
    bool NextNonBlank(std::string_view& line) {
        while (cursor_.Next(line)) {
            line = Trim(line);
            if (!line.empty()) return true;
        }
        return false;
    }

    void ReadHeader() {
        where_ = "text before \\data\\";
        std::string_view line;
        for (;;) {
            if (!cursor_.Next(line)) FailAtEnd("no \\data\\ line");
            if (Trim(line) == "\\data\\") break;
        }
        where_ = "\\data\\ header";
        counts_.fill(0);
        order_ = 0;
        for (;;) {
            if (!NextNonBlank(line)) FailAtEnd("no 1-grams section");
            if (line.size() > 0 && line[0] == '\\') break;
            // "ngram N=count"
            if (line.substr(0, 5) != "ngram" || line.size() < 6 || !IsBlank(line[5])) Fail("expected \"ngram N=count\"");
            std::string_view rest = Trim(line.substr(5));
            size_t eq = rest.find('=');
            long long n = 0, count = 0;
            if (eq == std::string_view::npos || !ParseInt(Trim(rest.substr(0, eq)), n) ||
                !ParseInt(Trim(rest.substr(eq + 1)), count))
                Fail("bad count line \"" + std::string(line) + "\"");
            if (n < 1 || n > NgramModel::kMaxOrder)
                Fail("order " + std::to_string(n) + " is outside 1 to " + std::to_string(NgramModel::kMaxOrder));
            if (n != order_ + 1) Fail("count of the " + Section(static_cast<int>(n)) + " out of order");
            // Every entry takes a line of at least four bytes: a larger count is a damaged header,
            // refused before any room is set aside for it.
            if (count < 1 || static_cast<unsigned long long>(count) > textSize_ / 4)
                Fail("bad count " + std::to_string(count));
            order_ = static_cast<int>(n);
            counts_[static_cast<size_t>(n - 1)] = static_cast<size_t>(count);
        }
        if (order_ == 0) Fail("no n-gram counts");
        pending_ = line;
        hasPending_ = true;
    }

    void ReadSection(int n) {
        where_ = Section(n);
        std::string_view line;
        if (hasPending_) {
            line = pending_;
            hasPending_ = false;
        } else if (!NextNonBlank(line)) {
            FailAtEnd("missing the " + Section(n) + " section");
        }
        std::string header(1, '\\');  // built in steps: GCC 12 warns falsely on "\\" + text
        header += Section(n);
        header += ':';
        if (line != header) Fail("missing section header " + header + " (found \"" + std::string(line) + "\")");

        where_ = Section(n);
        const size_t expected = counts_[static_cast<size_t>(n - 1)];
        int32_t ids[NgramModel::kMaxOrder];
        for (size_t read = 0; read < expected; ++read) {
            if (!NextNonBlank(line))
                FailAtEnd("file ends after " + std::to_string(read) + " of " + std::to_string(expected) + " entries");
            if (line[0] == '\\')
                Fail("section ends after " + std::to_string(read) + " of the " + std::to_string(expected) +
                     " entries that \\data\\ announces");
            ReadEntry(n, line, ids);
        }
        // The count must be exact: the next thing is a section header or the end.
        if (NextNonBlank(line)) {
            if (line[0] != '\\')
                Fail("more " + Section(n) + " than the " + std::to_string(expected) + " that \\data\\ announces");
            pending_ = line;
            hasPending_ = true;
        }
    }

    void ReadEntry(int n, std::string_view line, int32_t* ids) {
        // prob w1 .. wn [bow]
        size_t pos = 0;
        auto field = [&](std::string_view& out) {
            while (pos < line.size() && IsBlank(line[pos])) ++pos;
            size_t start = pos;
            while (pos < line.size() && !IsBlank(line[pos])) ++pos;
            out = line.substr(start, pos - start);
            return !out.empty();
        };
        std::string_view f;
        field(f);
        float prob = 0;
        if (!ParseFloat(f, prob)) Fail("bad probability \"" + std::string(f) + "\"");
        if (prob > 0.0f) Fail("probability above 1 (log10 " + std::string(f) + ")");
        std::string_view words[NgramModel::kMaxOrder];
        for (int i = 0; i < n; ++i)
            if (!field(words[i])) Fail("too few words: expected " + std::to_string(n));
        float bow = 0;
        if (field(f)) {
            if (n == order_) Fail("unexpected field \"" + std::string(f) + "\" after the words");
            if (!ParseFloat(f, bow)) Fail("bad back-off weight \"" + std::string(f) + "\"");
            std::string_view extra;
            if (field(extra)) Fail("unexpected field \"" + std::string(extra) + "\"");
        }
        if (n == 1) {
            if (!model_.AddWord(words[0], prob, bow)) Fail("duplicate word \"" + std::string(words[0]) + "\"");
            return;
        }
        for (int i = 0; i < n; ++i) {
            int32_t id = model_.WordId(words[i]);
            if (id == NgramModel::kUnknown && words[i] != "<unk>")
                Fail("word \"" + std::string(words[i]) + "\" is not among the 1-grams");
            ids[i] = id;
        }
        if (!model_.AddNgram(n, ids, prob, bow)) Fail("duplicate " + std::to_string(n) + "-gram");
    }

    void ReadEnd() {
        where_ = Section(order_);
        std::string_view line;
        if (hasPending_) {
            line = pending_;
            hasPending_ = false;
        } else if (!NextNonBlank(line)) {
            FailAtEnd("missing \\end\\");
        }
        if (line != "\\end\\") Fail("expected \\end\\ but found \"" + std::string(line) + "\"");
    }

    LineCursor cursor_;
    const std::string& name_;
    size_t textSize_;
    std::string where_;
    int order_ = 0;
    std::array<size_t, NgramModel::kMaxOrder> counts_{};
    std::string_view pending_;
    bool hasPending_ = false;
    NgramModel model_;
};

}  // namespace

NgramModel ParseArpa(std::string_view text, const std::string& name, ArpaPart part) {
    return ArpaParser(text, name).Parse(part);
}

NgramModel ReadArpaFile(const std::string& path, ArpaPart part) {
    const std::string text = ReadWholeFile(path);
    return ParseArpa(text, path, part);
}

}  // namespace ngram
