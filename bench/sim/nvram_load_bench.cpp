// Loading an NVRAM file, and seeding a fresh store from a profile's variables,
// must grow linearly with the variables. The peer is parsing the same text as
// plain JSON, which every load does first: the ratio json-parse/ours stays the
// same from a small store to a large one when the load is linear, and falls
// with the store's size when it is not.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "sim/profile/profile_loader.h"
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

// A profile of as many variables, loaded and seeded into a store as setup-sim does.
template <size_t kVariables>
void OursProfile(benchmark::State &state) {
  std::string text = StoreText(kVariables);
  text.replace(0, text.find("\"variables\""), "{");
  for (auto _ : state) {
    const sim::BoardProfile profile = sim::LoadBoardProfile(text, "bench.json");
    std::vector<sim::StoredVariable> seeds;
    for (const sim::VariableSpec &variable : profile.variables) {
      seeds.push_back({variable.name, variable.guid, variable.attributes, variable.data});
    }
    benchmark::DoNotOptimize(sim::VariableStore::WithVariables(std::move(seeds)));
  }
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
BENCHMARK(OursProfile<1000>)->Name("profile variables 1k/ours");
BENCHMARK(JsonParse<1000>)->Name("profile variables 1k/json-parse");
BENCHMARK(OursProfile<30000>)->Name("profile variables 30k/ours");
BENCHMARK(JsonParse<30000>)->Name("profile variables 30k/json-parse");

BENCHMARK_MAIN();
