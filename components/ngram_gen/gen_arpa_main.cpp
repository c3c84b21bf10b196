// gen_arpa <output.arpa> [n-grams, default 1500000] [seed, default 1]: writes a generated
// trigram model of about that many n-grams (see arpa_generator.h).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include "ngram_gen/arpa_generator.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_arpa <output.arpa> [n-grams] [seed]\n");
        return 2;
    }
    const size_t total = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1500000;
    const uint32_t seed = argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 1;
    try {
        const ngram_gen::Generated g = ngram_gen::GenerateArpa(ngram_gen::ForTotal(total, seed), argv[1]);
        std::printf("%s: %zu n-grams, %zu words\n", argv[1], g.ngrams, g.words.size());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_arpa: %s\n", e.what());
        return 1;
    }
}
