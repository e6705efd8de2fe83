// Loading an NVRAM file must grow linearly with its variables. The peer is
// parsing the same text as plain JSON, which every load does first: the ratio
// json-parse/ours stays the same from a small store to a large one when the
// load is linear, and falls with the store's size when it is not.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "sim/variable_store.h"

namespace {

std::string StoreText(size_t variables) {
  std::string text = R"({"format": "setup-sim nvram", "version": 1, "variables": [)";
  for (size_t i = 0; i < variables; ++i) {
    char entry[160];
    std::snprintf(entry, sizeof entry,
                  R"(%s{"name": "Var%zu", "guid": "%08zX-EBA4-4BB5-A1E5-3F3E36B20DA9", "attributes": 7, "data": "0102"})",
                  i == 0 ? "" : ", ", i, i % 7);
    text += entry;
  }
  return text + "]}";
}

template <size_t kVariables>
void Ours(benchmark::State &state) {
  const std::string text = StoreText(kVariables);
  for (auto _ : state) benchmark::DoNotOptimize(sim::VariableStore::Parse(text, "bench.nvram"));
}

template <size_t kVariables>
void JsonParse(benchmark::State &state) {
  const std::string text = StoreText(kVariables);
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::ordered_json::parse(text));
}

}  // namespace

BENCHMARK(Ours<1000>)->Name("nvram load 1k variables/ours");
BENCHMARK(JsonParse<1000>)->Name("nvram load 1k variables/json-parse");
BENCHMARK(Ours<30000>)->Name("nvram load 30k variables/ours");
BENCHMARK(JsonParse<30000>)->Name("nvram load 30k variables/json-parse");

BENCHMARK_MAIN();
