// Malformed model files: each refused with a message that names the section and the line.
#include <gtest/gtest.h>
#include <string>
#include "ngram/arpa_reader.h"
#include "ngram/binary_model.h"
#include "ngram/load_error.h"
#include "test_data.h"

namespace {

std::string FileError(const std::string& name) {
    try {
        ngram::ReadModelFile(DataPath("bad/" + name));
    } catch (const ngram::LoadError& e) {
        return e.what();
    }
    return "loaded";
}

std::string TextError(const std::string& text) {
    try {
        ngram::ParseArpa(text, "m.arpa");
    } catch (const ngram::LoadError& e) {
        return e.what();
    }
    return "loaded";
}

const std::string kHead = "\\data\\\nngram 1=2\nngram 2=1\n\n\\1-grams:\n-0.5 a -0.1\n-0.5 b\n\n\\2-grams:\n";

}  // namespace

TEST(ArpaErrors, FixtureFiles) {
    const std::string dir = DataPath("bad/");
    EXPECT_EQ(dir + "missing_section.arpa: missing section header \\3-grams: (found \"\\end\\\") in the 3-grams at line 14",
              FileError("missing_section.arpa"));
    EXPECT_EQ(dir + "wrong_counts.arpa: more 2-grams than the 1 that \\data\\ announces in the 2-grams at line 12",
              FileError("wrong_counts.arpa"));
    EXPECT_EQ(dir + "bad_number.arpa: bad probability \"-0.3x\" in the 2-grams at line 12", FileError("bad_number.arpa"));
    EXPECT_EQ(dir + "truncated.arpa: file ends after 1 of 2 entries in the 2-grams at the end of the file (line 11)",
              FileError("truncated.arpa"));
    EXPECT_EQ("Can not open file: " + dir + "absent.arpa", FileError("absent.arpa"));
}

TEST(ArpaErrors, HeaderFaults) {
    EXPECT_EQ("m.arpa: no \\data\\ line in the text before \\data\\ at the end of the file (line 1)", TextError("hello\n"));
    EXPECT_EQ("m.arpa: bad count line \"ngram 1 2\" in the \\data\\ header at line 2", TextError("\\data\\\nngram 1 2\n"));
    // A count the file cannot hold is refused before room is taken for it.
    EXPECT_EQ("m.arpa: bad count 99999999 in the \\data\\ header at line 2", TextError("\\data\\\nngram 1=99999999\n"));
    EXPECT_EQ("m.arpa: count of the 3-grams out of order in the \\data\\ header at line 3",
              TextError("\\data\\\nngram 1=2\nngram 3=1\n"));
}

TEST(ArpaErrors, EntryFaults) {
    EXPECT_EQ("m.arpa: section ends after 0 of the 1 entries that \\data\\ announces in the 2-grams at line 10",
              TextError(kHead + "\\end\\\n"));
    EXPECT_EQ("m.arpa: word \"q\" is not among the 1-grams in the 2-grams at line 10", TextError(kHead + "-0.1 a q\n\\end\\\n"));
    EXPECT_EQ("m.arpa: too few words: expected 2 in the 2-grams at line 10", TextError(kHead + "-0.1 a\n\\end\\\n"));
    EXPECT_EQ("m.arpa: bad back-off weight \"w\" in the 1-grams at line 7",
              TextError("\\data\\\nngram 1=2\nngram 2=1\n\n\\1-grams:\n-0.5 a -0.1\n-0.5 b w\n"));
    EXPECT_EQ("m.arpa: unexpected field \"-0.2\" after the words in the 2-grams at line 10",
              TextError(kHead + "-0.1 a b -0.2\n\\end\\\n"));
    EXPECT_EQ("m.arpa: probability above 1 (log10 0.5) in the 2-grams at line 10", TextError(kHead + "0.5 a b\n\\end\\\n"));
    EXPECT_EQ("m.arpa: bad probability \"nan\" in the 2-grams at line 10", TextError(kHead + "nan a b\n\\end\\\n"));
    EXPECT_EQ("m.arpa: duplicate word \"a\" in the 1-grams at line 7",
              TextError("\\data\\\nngram 1=2\n\n\\1-grams:\n-0.5 a\n\n-0.5 a\n\\end\\\n"));
    EXPECT_EQ("m.arpa: duplicate 2-gram in the 2-grams at line 11",
              TextError("\\data\\\nngram 1=2\nngram 2=2\n\n\\1-grams:\n-0.5 a -0.1\n-0.5 b\n\n\\2-grams:\n-0.1 a b\n-0.1 a b\n\\end\\\n"));
    EXPECT_EQ("m.arpa: missing \\end\\ in the 2-grams at the end of the file (line 10)", TextError(kHead + "-0.1 a b\n"));
    EXPECT_EQ("m.arpa: order 5 is outside 1 to 4 in the \\data\\ header at line 2", TextError("\\data\\\nngram 5=1\n"));
}
