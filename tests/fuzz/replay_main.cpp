// Runs a fuzz target without libFuzzer: every file of the corpus folders given on the command
// line, then a stream of generated inputs (random bytes and mutations of the corpus), so the
// targets are exercised by every build and by CTest.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> corpus;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(argv[i], ec), end; !ec && it != end;
             it.increment(ec)) {
            std::ifstream in(it->path(), std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
        }
    }
    for (const auto& input : corpus)
        LLVMFuzzerTestOneInput(input.data(), input.size());
    std::mt19937 rng(12345);
    const int rounds = 3000;
    for (int r = 0; r < rounds; ++r) {
        std::vector<uint8_t> input;
        if (!corpus.empty() && r % 2 == 0) {
            input = corpus[rng() % corpus.size()];
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits; ++e) {
                const unsigned op = rng() % 3;
                if (op == 0 && !input.empty())
                    input[rng() % input.size()] = static_cast<uint8_t>(rng());
                else if (op == 1)
                    input.insert(input.begin() + static_cast<std::ptrdiff_t>(
                                                     input.empty() ? 0 : rng() % input.size()),
                                 static_cast<uint8_t>(rng()));
                else if (!input.empty())
                    input.erase(input.begin() + static_cast<std::ptrdiff_t>(rng() % input.size()));
            }
        } else {
            input.resize(rng() % 600);
            for (auto& b : input)
                b = static_cast<uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu corpus inputs and %d generated inputs ran\n", corpus.size(), rounds);
    return 0;
}
