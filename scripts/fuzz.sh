#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer) and runs every fuzz target from its committed corpus
# for SECONDS each (default 60), two at a time. Any crash, leak, time-out, memory blow-up or
# failed check fails the run; the corpus folders are only read (new inputs go to a scratch
# folder). Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz
manifest=build/fuzz/fuzz-targets.txt
mapfile -t targets < <(awk 'NF { print $1 }' "$manifest")
cmake --build --preset fuzz --target "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zov-fuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

run_target() {
  local name=$1 corpus=$2 dict=${3:-}
  local log="$scratch/$name.log"
  mkdir -p "$scratch/$name"
  local options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
                 -artifact_prefix="$scratch/$name-")
  if [ -n "$dict" ]; then
    options+=(-dict="$dict")
  fi
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "build/fuzz/bin/$name" "${options[@]}" "$scratch/$name" "$corpus" >"$log" 2>&1; then
    echo "fuzz: $name passed: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs" \
         "from $(find "$corpus" -type f | wc -l) corpus files in $seconds s"
  else
    echo "fuzz: $name FAILED; the end of its log:"
    tail -n 40 "$log"
    for artifact in "$scratch/$name"-*; do
      [ -e "$artifact" ] && echo "fuzz: $name: input that failed (hex): $(od -An -tx1 -v "$artifact" | tr -d '\n' | cut -c1-600)"
    done
    return 1
  fi
}

failed=0
running=0
while read -r name corpus dict; do
  [ -n "$name" ] || continue
  run_target "$name" "$corpus" "$dict" > "$scratch/$name.result" &
  running=$((running + 1))
  if [ "$running" -ge 2 ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done < "$manifest"
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
cat "$scratch"/*.result
if [ "$failed" -ne 0 ]; then
  echo "fuzz: FAILED"
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets passed"
