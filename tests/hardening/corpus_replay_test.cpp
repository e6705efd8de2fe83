// Replays one fuzz target's seed corpus (fuzz/corpus/<target>) through the
// target's own LLVMFuzzerTestOneInput, so that every input kept there, those
// that once found a fault included, runs in the ordinary and sanitizer builds.
// A fault aborts the run; the last input named on standard error is the one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

#define REPLAY_TEST(target) TEST(CorpusReplay, target)

REPLAY_TEST(CORPUS_TARGET) {
  size_t inputs = 0;
  for (const auto &entry : std::filesystem::directory_iterator(CORPUS_DIR)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "replaying %s\n", entry.path().filename().c_str());
    EXPECT_EQ(LLVMFuzzerTestOneInput(data.data(), data.size()), 0) << entry.path();
    ++inputs;
  }
  EXPECT_GT(inputs, 0u) << "no corpus at " << CORPUS_DIR;
}

}  // namespace
