#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in build-fuzz/ and runs each for a
# bounded time, starting from its corpus in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [--merge]
#
# SECONDS per target (default 20). New inputs go to a scratch folder; --merge folds the
# ones that reach new code into the repository's corpus. A crash stops the script with
# the failing input's path.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
merge=0
for arg in "$@"; do
  case "$arg" in
    --merge) merge=1 ;;
    *) seconds="$arg" ;;
  esac
done
build=${QUENDARX_FUZZ_BUILD:-build-fuzz}
targets=(regional_number regional_date hostscript_parser)

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENDARX_FUZZ=ON -DQUENDARX_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_targets -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in "${targets[@]}"; do
  corpus=fuzz/corpus/$target
  mkdir -p "$corpus" "$scratch/$target"
  echo "== fuzz $target for ${seconds}s"
  if ! "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
       -artifact_prefix="$PWD/$build/crash-$target-" -print_final_stats=1 \
       "$scratch/$target" "$corpus" 2>"$scratch/$target.log"; then
    tail -n 60 "$scratch/$target.log"
    echo "fuzz $target FAILED; the input is in $build/crash-$target-*" >&2
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::new_units_added' "$scratch/$target.log" | sed 's/^/  /'
  if [ "$merge" = 1 ]; then
    "$build/bin/fuzz_$target" -merge=1 "$corpus" "$scratch/$target" 2>/dev/null
  fi
done
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a failure"
