#!/bin/bash -eu
# Builds the fuzz targets the way ClusterFuzzLite and OSS-Fuzz build a project:
# with the engine's $CC, $CXX, $CFLAGS, $CXXFLAGS and $LIB_FUZZING_ENGINE, into
# $OUT, each target beside its seed corpus (<target>_seed_corpus.zip) and its
# options file (<target>.options). The whole-driver targets load the driver
# module, which goes into $OUT with them. scripts/fuzz-engine-check runs this
# script as the engine would and runs each target on its seed corpus.
# Run from the repository's root: the image's WORKDIR, as the engines do.
source_dir=$PWD
build_dir=${WORK:-/tmp}/setup-driver-fuzz

# The project has no C sources; CC and CFLAGS reach CMake for completeness only.
cmake -S "$source_dir" -B "$build_dir" -G Ninja --no-warn-unused-cli \
  -DCMAKE_C_COMPILER="$CC" -DCMAKE_CXX_COMPILER="$CXX" \
  -DCMAKE_C_FLAGS="$CFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_BUILD_TYPE= \
  -DSETUP_FUZZ=ON -DSETUP_FUZZ_ENGINE="$LIB_FUZZING_ENGINE"
cmake --build "$build_dir"

for target in "$build_dir"/fuzz/*/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  cp "$target" "$OUT/$name"
  corpus="$source_dir/fuzz/corpus/${name#fuzz_}"
  if [ -d "$corpus" ]; then
    rm -f "$OUT/${name}_seed_corpus.zip"
    (cd "$corpus" && python3 -m zipfile -c "$OUT/${name}_seed_corpus.zip" .)
  fi
  # The whole-driver targets boot the driver twice per input: allow the slow ones.
  printf '[libfuzzer]\ntimeout = 10\n' >"$OUT/$name.options"
done
cp "$build_dir"/driver/*setup_driver_module.so "$OUT/"
