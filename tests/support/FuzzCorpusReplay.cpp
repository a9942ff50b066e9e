// Replays a fuzz target's corpus (directory FUZZ_CORPUS, or several joined by '|') through the
// target in every test run.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// The fuzz target's corpus runs through the target in every test run.
TEST(FuzzCorpus, EveryInputRunsThrough)
{
    int inputs = 0;
    std::istringstream corpora(FUZZ_CORPUS);
    for (std::string corpus; std::getline(corpora, corpus, '|');) {
        for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            SCOPED_TRACE(entry.path().filename().string());
            EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()),
                                             bytes.size()),
                      0);
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0) << "no corpus found in " << FUZZ_CORPUS;
}
