// A model, class, lexicon or settings file that cannot be loaded. The message says where:
// the file, the section and the line ("in the 2-grams at line 118").
#pragma once
#include <stdexcept>
#include <string>

namespace ngram {

class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace ngram
