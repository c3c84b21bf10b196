#include "DTW/wordscan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include "DTW/dtw.h"
#include "DTW/dtwcosts.h"

using namespace dtwcost;

namespace {

// Letters kept of a word: one more than the table holds marks a word too long for it.
constexpr int kKept = dtw::kMaxLetters + 1;

// A word's first sixteen bytes as two keys, the first byte highest and zeros past the word's end,
// so that comparing keys compares those bytes in byte order, a shorter word before a longer one
// it begins.
struct Keyed {
    std::uint64_t high;
    std::uint64_t low;
    std::int32_t id;
};

static_assert(std::endian::native == std::endian::little, "keys are read from memory byte-swapped");

std::uint64_t KeyAt(const char* word, int from) {
    unsigned char bytes[8] = {};
    for (int k = 0; k < 8 && word[from + k]; ++k) bytes[k] = static_cast<unsigned char>(word[from + k]);
    std::uint64_t key;
    std::memcpy(&key, bytes, sizeof key);
    return __builtin_bswap64(key);
}

// Letters held in a key: a word has no zero byte, so its padding is the key's trailing zeros.
int LettersIn(std::uint64_t key) { return key == 0 ? 0 : 8 - __builtin_ctzll(key) / 8; }
int LeadingEqualBytes(std::uint64_t a, std::uint64_t b) { return a == b ? 8 : __builtin_clzll(a ^ b) / 8; }
int ByteOf(std::uint64_t key, int k) {
    unsigned char bytes[8];
    std::memcpy(bytes, &key, sizeof bytes);
    return bytes[7 - k];
}

bool FullKey(std::uint64_t key) { return (key & 0xFF) != 0; }

}  // namespace

WordScan::WordScan(const Vocabulary& vocabulary) {
    const std::int32_t count = vocabulary.WordCount();
    // Buckets by the first two bytes, filled in one pass over the words in id order (the order
    // of their text); each bucket is then sorted on its own, mostly by the keys alone.
    std::vector<std::int32_t> start(65537, 0);
    for (std::int32_t id = 0; id < count; ++id) {
        const char* w = vocabulary.GetWord(id);
        ++start[1 + (w[0] ? static_cast<unsigned char>(w[0]) << 8 | static_cast<unsigned char>(w[1]) : 0)];
    }
    for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
    std::vector<Keyed> keyed(static_cast<std::size_t>(count));
    {
        std::vector<std::int32_t> next(start.begin(), start.end() - 1);
        for (std::int32_t id = 0; id < count; ++id) {
            const char* w = vocabulary.GetWord(id);
            const std::uint64_t high = KeyAt(w, 0);
            const std::uint64_t low = FullKey(high) ? KeyAt(w, 8) : 0;
            keyed[static_cast<std::size_t>(next[high >> 48]++)] = {high, low, id};
        }
    }
    const auto before = [&vocabulary](const Keyed& a, const Keyed& b) {
        if (a.high != b.high) return a.high < b.high;
        if (a.low != b.low) return a.low < b.low;
        if (!FullKey(a.low)) return false;  // equal words
        return std::strcmp(vocabulary.GetWord(a.id) + 16, vocabulary.GetWord(b.id) + 16) < 0;
    };
    for (std::size_t b = 0; b + 1 < start.size(); ++b)
        if (start[b + 1] - start[b] > 1) std::sort(keyed.begin() + start[b], keyed.begin() + start[b + 1], before);

    order.resize(keyed.size());
    words.reserve(keyed.size() * 6);
    for (std::size_t pos = 0; pos < keyed.size(); ++pos) {
        const Keyed& k = keyed[pos];
        order[pos] = k.id;
        // Only a word of sixteen letters or more is read from the text again.
        const char* text = nullptr;
        int length = !FullKey(k.high) ? LettersIn(k.high) : !FullKey(k.low) ? 8 + LettersIn(k.low) : 16;
        if (length == 16) {
            text = vocabulary.GetWord(k.id);
            length = static_cast<int>(std::min<std::size_t>(std::strlen(text), kKept));
        }
        int common = 0;
        if (pos > 0) {
            // Letters shared with the word before: where the keys first differ, or where both
            // words end, or beyond the keys in the text itself.
            const Keyed& p = keyed[pos - 1];
            common = LeadingEqualBytes(p.high, k.high);
            if (common == 8 && FullKey(k.high)) common += LeadingEqualBytes(p.low, k.low);
            common = std::min(common, length);
            if (common == 16) {
                const char* earlier = vocabulary.GetWord(p.id);
                while (common < length && earlier[common] == text[common]) ++common;
            }
        }
        words.push_back(static_cast<std::uint8_t>(common));
        words.push_back(static_cast<std::uint8_t>(length - common));
        for (int i = common; i < length; ++i) {
            const int letter = i < 8 ? ByteOf(k.high, i) : i < 16 ? ByteOf(k.low, i - 8) : text[i];
            words.push_back(static_cast<std::uint8_t>(letter));
        }
    }
    words.shrink_to_fit();
}

void WordScan::MeasureEach(std::string_view query, double threshold, std::vector<Found>& found) const {
    dtw queryWord, word;
    queryWord.SetWord(query);
    word.threshold = threshold;
    char letters[kKept];
    const std::uint8_t* p = words.data();
    for (std::size_t pos = 0; pos < order.size(); ++pos) {
        const int common = p[0], rest = p[1];
        std::memcpy(letters + common, p + 2, static_cast<std::size_t>(rest));
        p += 2 + rest;
        word.SetWord(std::string_view(letters, static_cast<std::size_t>(common + rest)));
        const double d = word.Distance(queryWord);
        if (d != dtw::kTooFar) found.push_back({order[pos], d});
    }
}

void WordScan::Measure(std::string_view query, double threshold, std::vector<Found>& found) const {
    const int n = static_cast<int>(query.size());
    // A query longer than the table is too far from every word.
    if (n > dtw::kMaxLetters) return;
    // An empty query has no diagonal to share; and the rows below read a diagonal as kept when
    // some cell of it is within the threshold, which holds only while the abandon margin still
    // counts beside the threshold.
    if (n == 0 || !(threshold + kMargin > threshold)) return MeasureEach(query, threshold, found);

    // The query's letters and the vocabulary word's, from index 1, behind a sentinel.
    std::int32_t b[kSide + 1];
    std::int32_t a[kSide + 1];
    b[0] = a[0] = kNoLetter;
    for (int j = 1; j <= n; ++j) b[j] = static_cast<signed char>(query[j - 1]);
    // Table cell (i, j) is t[i + 1][j + 1], so that the moves that reach two letters back stay
    // inside the array even where the sentinel rules them out.
    double t[kSide + 1][kSide + 1];
    for (int j = 0; j <= n; ++j) t[1][j + 1] = kBorder[j];
    // Bit k of open[i] is set when anti-diagonal i + k holds a cell at most the threshold among
    // rows 1 to i; bit 0 is then the whole diagonal i, which no later row touches.
    std::uint64_t open[kSide];
    open[0] = 0;
    // Whether row i holds a cell at most the threshold, its border included. Every move goes
    // down one or two rows and adds to the value, so once two rows in a row hold none, no later
    // row does, and every word through them ends above the threshold.
    bool near[kSide];
    near[0] = 0.0 <= threshold;
    const std::uint64_t allOpen = (std::uint64_t{1} << n) - 1;

    constexpr int kNever = 1 << 30;
    int rows = 0;         // rows of the current word's prefix that the table holds
    int tooFar = kNever;  // words sharing at least this many letters with the last one measure kTooFar
    const std::uint8_t* p = words.data();
    for (std::size_t pos = 0; pos < order.size(); ++pos) {
        const int common = p[0], rest = p[1];
        const std::uint8_t* suffix = p + 2;
        p += 2 + rest;
        if (common >= tooFar) continue;
        // The words skipped since the last one measured all began with its first tooFar letters,
        // so this one shares exactly its first common letters with that one too.
        tooFar = kNever;
        if (rows > common) rows = common;
        // The letters go in even for a word too long to measure: the next word's shared letters
        // are counted against this one.
        const int m = common + rest;
        for (int i = 0; i < rest; ++i) a[common + 1 + i] = static_cast<signed char>(suffix[i]);
        if (m > dtw::kMaxLetters) continue;
        if (m == 0) {
            dtw queryWord, empty;
            queryWord.SetWord(query);
            empty.threshold = threshold;
            if (const double d = empty.Distance(queryWord); d != dtw::kTooFar) found.push_back({order[pos], d});
            continue;
        }
        while (rows < m) {
            const int i = rows + 1;
            // Every word this long is too far by its length alone.
            if ((i - n) * kDoubled > threshold) {
                tooFar = i;
                break;
            }
            const std::int32_t ai = a[i], before = a[i - 1];
            const double* up2 = t[i - 1];
            const double* up = t[i];
            double* row = t[i + 1];
            row[1] = kBorder[i];
            std::uint64_t low = 0;
            for (int j = 1; j <= n; ++j) {
                const std::int32_t bj = b[j];
                double v = up[j] + (ai == bj ? 0.0 : kSubst);
                const double del = up[j + 1] + kGap;
                v = del < v ? del : v;
                const double ins = row[j] + kGap;
                v = ins < v ? ins : v;
                if (ai == b[j - 1]) {
                    if (before == bj) {
                        const double trade = up2[j - 1] + kTrade;
                        v = trade < v ? trade : v;
                    }
                    if (b[j - 1] == bj) {
                        const double doubledInB = up[j - 1] + kDoubled;
                        v = doubledInB < v ? doubledInB : v;
                    }
                }
                if (ai == bj && before == ai) {
                    const double doubledInA = up2[j] + kDoubled;
                    v = doubledInA < v ? doubledInA : v;
                }
                row[j + 1] = v;
                low |= static_cast<std::uint64_t>(v <= threshold) << (j - 1);
            }
            open[i] = open[i - 1] >> 1 | low;
            near[i] = low != 0 || kBorder[i] <= threshold;
            rows = i;
            if (!(open[i] & 1) || (!near[i] && !near[i - 1])) {
                tooFar = i;
                break;
            }
        }
        if (tooFar != kNever) continue;
        if ((n - m) * kDoubled > threshold) continue;
        if ((open[m] & allOpen) != allOpen) continue;
        found.push_back({order[pos], t[m + 1][n + 1]});
    }
}
