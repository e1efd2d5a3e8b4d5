#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time on its committed seed corpus (fuzz/corpus/<target>/) plus what it
# generates (kept in the build folder between runs). Any crash, hang, leak or
# sanitizer report fails the script; the offending input is printed.
#
#   bash fuzz/run.sh                 # every target, 30 s each
#   FUZZ_SECONDS=300 bash fuzz/run.sh fuzz_grid_file
#
# Environment: FUZZ_SECONDS (time per target, default 30), FUZZ_BUILD_DIR
# (default build-fuzz), FUZZ_JOBS (build jobs, default 2), FUZZ_MAX_LEN (largest
# input tried, default 70000: room for a line over the readers' 65536-character
# limit, which a generated seed holds).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"
jobs="${FUZZ_JOBS:-2}"
max_len="${FUZZ_MAX_LEN:-70000}"

for tool in clang clang++ cmake ninja; do
  command -v "$tool" >/dev/null || { echo "fuzz: $tool not found (bash scripts/setup.sh installs it)" >&2; exit 2; }
done

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$jobs"

if (($#)); then targets=("$@"); else mapfile -t targets < "$build/fuzz_targets.txt"; fi

status=0
summary=()
for t in "${targets[@]}"; do
  [ -n "$t" ] || continue
  seeds="$root/fuzz/corpus/$t"
  generated="$build/corpus/$t"
  artifacts="$build/artifacts/$t/"
  rm -rf "$artifacts"   # only this run's findings are reported
  mkdir -p "$generated" "$artifacts"
  [ -d "$seeds" ] || { echo "fuzz: no seed corpus $seeds" >&2; status=1; continue; }
  # One input with a line just over the readers' line limit, made here rather
  # than committed: mutations seldom grow an input that far.
  [ -f "$generated/long-line" ] ||
    { printf '1 2 3 4 N\n'; head -c 65540 /dev/zero | tr '\0' ' '; printf '5 6 7 8 R\n'; } > "$generated/long-line"
  log="$build/$t.log"
  echo "== $t: ${seconds} s"
  # New inputs go to the first folder (the generated corpus); the seeds stay as
  # committed. -timeout: one input taking longer is a hang; -rss_limit_mb: a
  # reader that asks for memory without bound is a failure too.
  set +e
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
    "$build/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$generated" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)"
  if ((rc != 0)); then
    status=1
    summary+=("$t: FAILED (exit $rc) after ${runs:-?} executions")
    echo "fuzz: $t failed (exit $rc); its report:" >&2
    grep -E 'ERROR|WARNING|runtime error|SUMMARY|Test unit written|#[0-9]+ 0x' "$log" | head -60 >&2 || true
    for a in "$artifacts"*; do
      [ -f "$a" ] || continue
      echo "-- input $a ($(stat -c %s "$a") bytes):" >&2
      head -c 2048 "$a" | od -A d -c | head -40 >&2
    done
  else
    summary+=("$t: ok, ${runs:-?} executions")
  fi
done

echo "== fuzz summary"
printf '  %s\n' "${summary[@]}"
exit $status
