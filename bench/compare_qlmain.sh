#!/usr/bin/env bash
# compare_qlmain.sh: whole qlmain runs of two builds side by side, in one run.
#
# Builds qlmain of an older commit (the base) in a temporary folder, makes the
# k = 5 and k = 6 workloads of bench_main_loop with qlsynth, and times whole
# batch runs of both programs (start-up, main loop and result file) on 1 and 2
# threads, the two programs in turn, each run repeated; the quickest run of
# each counts. It prints subsets per second (C(n, k) over the wall time of the
# whole run) and the ratio new / base, and checks that both programs write the
# same votes.
#
# usage: bench/compare_qlmain.sh [--base COMMIT | --base-qlmain QLMAIN] [--new QLMAIN] [--repeat N]
#                                [--only W5,W6,...] [--keep]
#   --base COMMIT  the commit to compare with (default: the commit before the
#                  one that brought the leaf check of the fast main loop)
#   --base-qlmain QLMAIN  a qlmain already built from the base: nothing is built
#   --new QLMAIN   the qlmain to measure (default: build/bin/qlmain); qlsynth
#                  is taken from the same folder
#   --repeat N     runs of each program per workload and thread count (default 3)
#   --only LIST    workloads to run (default W5,W6,W7,W8)
#   --keep         keep the temporary folder (its path is printed)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
base=""
old=""
new="$repo/build/bin/qlmain"
repeat=3
only="W5,W6,W7,W8"
keep=0
while [ $# -gt 0 ]; do
    case "$1" in
        --base) base=$2; shift 2 ;;
        --base-qlmain) old=$(realpath "$2"); shift 2 ;;
        --new) new=$2; shift 2 ;;
        --repeat) repeat=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        *) sed -n '2,24p' "$0" >&2; exit 2 ;;
    esac
done
if [ -z "$base" ] && [ -z "$old" ]; then
    first=$(git -C "$repo" log --format=%H -S check_leaf -- engine/core/main_loop_fast_kernels.cpp | tail -n 1)
    if [ -z "$first" ]; then
        echo "compare_qlmain.sh: no commit brings check_leaf; give --base" >&2
        exit 2
    fi
    base=$(git -C "$repo" rev-parse "$first^")
fi
new=$(realpath "$new")
synth="$(dirname "$new")/qlsynth"
for program in "$new" "$synth"; do
    [ -x "$program" ] || { echo "compare_qlmain.sh: $program not found (build qlmain and qlsynth)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/compare_qlmain.XXXXXX")
if [ "$keep" = 1 ]; then echo "temporary folder: $work"; else trap 'rm -rf "$work"' EXIT; fi

if [ -n "$old" ]; then
    echo "base: $old"
else
    echo "base: $(git -C "$repo" log -1 --format='%h %s' "$base")"
fi
echo "new:  $new"
if [ -z "$old" ]; then
    echo "building the base's qlmain in $work/base ..."
    mkdir -p "$work/base/src"
    git -C "$repo" archive "$base" | tar -x -C "$work/base/src"
    cmake -S "$work/base/src" -B "$work/base/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_VIEWER=OFF \
          -DQUILLON_BUILD_TESTS=OFF -DQUILLON_BUILD_BENCH=OFF > "$work/base/build.log" 2>&1
    cmake --build "$work/base/build" --target qlmain -j2 >> "$work/base/build.log" 2>&1 ||
        { tail -n 20 "$work/base/build.log" >&2; exit 1; }
    old="$work/base/build/bin/qlmain"
fi

# The home folder of the runs: the supplied grid, scores and settings.
home="$work/home"
mkdir -p "$home"
cp "$repo/data/pref.txt" "$repo/data/qln_array.txt" "$repo/data/Unif60000.cgp" "$home/"

# The workloads (the same stresses, counts and seed as bench_main_loop's).
#   name  k  noise  count-per-stress  stresses...
workloads=(
    "W5|5|8|60|70 60 182 12 0.3"
    "W6|5|8|30|70 60 182 12 0.3|170 8 350 82 0.5"
    "W7|5|20|40|70 60 182 12 0.3|170 8 350 82 0.5"
    "W8|6|8|30|70 60 182 12 0.3|170 8 350 82 0.5"
)

# C(n, k) without overflow for the sizes used here.
choose() { awk -v n="$1" -v k="$2" 'BEGIN { c = 1; for (i = 1; i <= k; i++) c = c * (n - k + i) / i; printf "%.0f", c }'; }

# Wall seconds of one whole batch run.
run_once() {
    local program=$1 data=$2 result=$3 k=$4 threads=$5
    local start end
    start=$(date +%s.%N)
    (cd "$home" && "$program" --data "$data" --result "$result" --class 1 -k "$k" --threads "$threads" \
        --overwrite > /dev/null)
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

printf "\n%-4s %-34s %7s %12s %14s %14s %7s\n" "" "workload" "threads" "subsets" "base subs/s" "new subs/s" "new/base"
status=0
for w in "${workloads[@]}"; do
    IFS='|' read -r name k noise count s1 s2 <<< "$w"
    case ",$only," in *",$name,"*) ;; *) continue ;; esac
    stress_args=(-s "$s1")
    [ -n "${s2:-}" ] && stress_args+=(-s "$s2")
    data="$home/$name.fdt"
    "$synth" -o "$data" "${stress_args[@]}" -n "$count" --noise "$noise" --seed 20261210 > /dev/null
    n=$(grep -c . "$data")
    subsets=$(choose "$n" "$k")
    stresses=$(( ${#stress_args[@]} / 2 ))
    what="$n faults, $stresses stress(es), noise $noise, k = $k"
    for threads in 1 2; do
        best_old=""; best_new=""
        for ((r = 0; r < repeat; ++r)); do
            t=$(run_once "$old" "$data" "$home/$name.base.ql4" "$k" "$threads")
            best_old=$(awk -v a="$t" -v b="$best_old" 'BEGIN { print (b == "" || a < b) ? a : b }')
            t=$(run_once "$new" "$data" "$home/$name.new.ql4" "$k" "$threads")
            best_new=$(awk -v a="$t" -v b="$best_new" 'BEGIN { print (b == "" || a < b) ? a : b }')
        done
        if ! cmp -s <(grep -v '^Job ' "$home/$name.base.ql4") <(grep -v '^Job ' "$home/$name.new.ql4"); then
            echo "$name, $threads threads: the two programs wrote different results" >&2
            status=1
        fi
        awk -v nm="$name" -v what="$what" -v th="$threads" -v s="$subsets" -v o="$best_old" -v nw="$best_new" \
            'BEGIN { printf "%-4s %-34s %7d %12d %14.0f %14.0f %7.2f   (%.2f s, %.2f s)\n", nm, what, th, s, s / o, s / nw, o / nw, o, nw }'
    done
done
echo
echo "Whole runs, the quickest of $repeat per program; results (votes) of both programs compared."
exit $status
