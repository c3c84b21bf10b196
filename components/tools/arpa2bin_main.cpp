// arpa2bin <model.arpa> <model.bin>: writes the binary form that the binary CMU component loads.
#include <cstdio>
#include "ngram/arpa_reader.h"
#include "ngram/binary_model.h"
#include "ngram/load_error.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: arpa2bin <model.arpa> <model.bin>\n");
        return 2;
    }
    try {
        const ngram::NgramModel model = ngram::ReadArpaFile(argv[1]);
        ngram::WriteBinaryFile(model, argv[2]);
        std::printf("%s: order %d, %d words\n", argv[2], model.Order(), model.VocabularySize());
        return 0;
    } catch (const ngram::LoadError& e) {
        std::fprintf(stderr, "arpa2bin: %s\n", e.what());
        return 1;
    }
}
