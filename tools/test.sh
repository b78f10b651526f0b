#!/bin/sh
# Runs the whole test suite: installs missing Debian packages, then builds and tests the
# optimised configuration and the AddressSanitizer + UndefinedBehaviorSanitizer one, and builds
# the fuzz targets and runs each a short while from its seeds; anything a fuzzer finds fails.
# FUZZ_SECONDS sets how long each fuzzer runs (default 30).
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh build test fuzz
jobs=$(nproc)
for preset in release asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "== fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target bmp_fuzz ppm_fuzz obj_fuzz mtl_fuzz bmp_fuzz_seeds
fuzzers=build/fuzz/tests/fuzz
# Each run starts afresh in its own folder: what it adds to the corpus, its log, and whatever it
# finds (crash-*, leak-*, timeout-*, oom-*), kept there for a look.
work=$fuzzers/smoke
rm -rf "$work"
mkdir -p "$work/ppm_seeds"
printf 'P6\n2 1\n255\n\377\0\0\0\377\0' >"$work/ppm_seeds/two.ppm"
printf 'P6\n# a comment\n1 2\n255\n\0\0\377\377\377\377' >"$work/ppm_seeds/comment.ppm"
printf 'P6 1 1 255\n\1\2\3' >"$work/ppm_seeds/one_line.ppm"

# fuzz NAME SEEDS OPTION...: runs NAME_fuzz for FUZZ_SECONDS from the seeds in SEEDS; fails, with
# the end of its log, when it finds anything.
fuzz() {
  name=$1 seeds=$2
  shift 2
  mkdir -p "$work/$name"
  if "$fuzzers/${name}_fuzz" -max_total_time="${FUZZ_SECONDS:-30}" -timeout=30 -artifact_prefix="$work/$name-" \
    "$@" "$work/$name" "$seeds" >"$work/$name.log" 2>&1; then
    echo "$name: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$name.log" | tail -n 1)"
  else
    tail -n 60 "$work/$name.log" >&2  # the report of what it found comes last
    echo "fuzz: ${name}_fuzz found a fault; its findings are in $work" >&2
    return 1
  fi
}

# Two at a time, one per core on the machines this runs on.
failed=0
fuzz bmp "$fuzzers/bmp_seeds" -max_len=8192 &
bmp=$!
fuzz ppm "$work/ppm_seeds" -max_len=256 || failed=1
wait "$bmp" || failed=1
fuzz obj tests/fuzz/obj_seeds -dict=tests/fuzz/model.dict -close_fd_mask=1 &
obj=$!
fuzz mtl tests/fuzz/mtl_seeds -dict=tests/fuzz/model.dict -close_fd_mask=1 || failed=1
wait "$obj" || failed=1
[ "$failed" -eq 0 ]
