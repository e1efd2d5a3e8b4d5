#!/usr/bin/env bash
# compare_qlmain.sh: whole qlmain runs of two builds side by side, in one run.
#
# Builds qlmain of an older commit (the base) in a temporary folder, makes the
# k = 5 and k = 6 workloads of bench_main_loop with qlsynth, and times whole
# batch runs of both programs (start-up, main loop and result file) on 1 and 2
# threads, the two programs in turn, each run repeated; the quickest run of
# each counts. It prints subsets per second (C(n, k) over the wall time of the
# whole run) and the ratio new / base, the ratio of the CPU times as well, and
# checks that both programs write the same votes.
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

# Wall and CPU (user + system) seconds of one whole batch run, "wall cpu".
run_once() {
    local program=$1 data=$2 result=$3 k=$4 threads=$5
    local start end
    start=$(date +%s.%N)
    if [ -x /usr/bin/time ]; then
        (cd "$home" && /usr/bin/time -f "%U %S" -o "$work/cpu" "$program" --data "$data" --result "$result" \
            --class 1 -k "$k" --threads "$threads" --overwrite > /dev/null)
    else
        (cd "$home" && "$program" --data "$data" --result "$result" --class 1 -k "$k" --threads "$threads" \
            --overwrite > /dev/null)
        echo "0 0" > "$work/cpu"
    fi
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" '{ printf "%.3f %.3f", b - a, $1 + $2 }' "$work/cpu"
}

# The smaller of two numbers ("" counts as none).
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

printf "\n%-4s %-34s %7s %10s %12s %12s %8s %9s\n" "" "workload" "threads" "subsets" "base subs/s" "new subs/s" \
    "new/base" "(by CPU)"
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
        wall_old=""; wall_new=""; cpu_old=""; cpu_new=""
        for ((r = 0; r < repeat; ++r)); do
            read -r wall cpu <<< "$(run_once "$old" "$data" "$home/$name.base.ql4" "$k" "$threads")"
            wall_old=$(smaller "$wall" "$wall_old"); cpu_old=$(smaller "$cpu" "$cpu_old")
            read -r wall cpu <<< "$(run_once "$new" "$data" "$home/$name.new.ql4" "$k" "$threads")"
            wall_new=$(smaller "$wall" "$wall_new"); cpu_new=$(smaller "$cpu" "$cpu_new")
        done
        if ! cmp -s <(grep -v '^Job ' "$home/$name.base.ql4") <(grep -v '^Job ' "$home/$name.new.ql4"); then
            echo "$name, $threads threads: the two programs wrote different results" >&2
            status=1
        fi
        awk -v nm="$name" -v what="$what" -v th="$threads" -v s="$subsets" -v o="$wall_old" -v nw="$wall_new" \
            -v co="$cpu_old" -v cn="$cpu_new" \
            'BEGIN { printf "%-4s %-34s %7d %10d %12.0f %12.0f %8.2f %9.2f   (wall %.2f s, %.2f s; CPU %.2f s, %.2f s)\n",
                     nm, what, th, s, s / o, s / nw, o / nw, (cn > 0 ? co / cn : 0), o, nw, co, cn }'
    done
done
echo
echo "Whole runs, the quickest of $repeat per program (wall clock; CPU time of the quickest by CPU in"
echo "\"by CPU\": on a busy machine that ratio is the steadier one); results of both programs compared."
exit $status
