#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, ASan + UBSan) and runs them. Installs nothing:
# scripts/setup.sh test brings clang-14 and libclang-rt-14-dev.
#
# Usage:
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
#       The test command's run. Replays every input kept in fuzz/regressions/<reader>/ through
#       every target of that reader, then fuzzes each fast target (or each TARGET named) for
#       SECONDS (default 30) on a copy of its corpus, and prints the inputs run, the inputs a
#       second and the inputs a processor second of each. Fails on any crash, leak, timeout or
#       sanitizer report, keeping the input in build-fuzz/artifacts/<target>/.
#   scripts/fuzz.sh --long HOURS [--runs N] [TARGET ...]
#       A long unattended run at the lowest priority: every target (or each TARGET named) in
#       turn, HOURS in all shared equally, each one ending early after N inputs when --runs is
#       given. A finding is copied into fuzz/regressions/<reader>/ (where the test command
#       replays it) and the target goes on fuzzing. After each target the corpora of its reader
#       are merged back into fuzz/corpus/<reader>/, minimised: the hand-written seeds stay, and
#       of the inputs found (named by their SHA-1) only those that add coverage are kept.
#       Logs and the totals are in build-fuzz/long/ (QUORVANE_FUZZ_BUILD names another build
#       folder than build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

# The targets, one line each:
#   name     the executable <name>_fuzzer, added in fuzz/CMakeLists.txt
#   kind     fast: only reads (or fills), thousands of inputs a second, fuzzed by the test
#            command; check: holds results against plain references, slower, fuzzed in long
#            runs and when named
#   reader   the input format: the targets of one reader share fuzz/corpus/<reader>/,
#            fuzz/dict/<reader>.dict (when there is one) and fuzz/regressions/<reader>/
#   max_len  the largest input
# Adding a target is one line here and its line in fuzz/CMakeLists.txt.
TARGETS='
ini_read          fast    ini         4096
ini               check   ini         4096
menu_file_read    fast    menu_file   4096
menu_file         check   menu_file   4096
template_fill     fast    template    4096
template          check   template    4096
color_hex         fast    color_hex   64
html_read         fast    nav_finder  4096
nav_finder        check   nav_finder  4096
sitemap_read      fast    sitemap     4096
sitemap           check   sitemap     4096
page_region_read  fast    publish     4096
publish           check   publish     4096
'

# The build folder; a long run can be given one of its own, to go on while the targets are rebuilt.
build=${QUORVANE_FUZZ_BUILD:-build-fuzz}
declare -A kind_of reader_of max_len_of
all_targets=()
while read -r name kind reader max_len; do
    [ -n "$name" ] || continue
    all_targets+=("$name")
    kind_of[$name]=$kind
    reader_of[$name]=$reader
    max_len_of[$name]=$max_len
done <<<"$TARGETS"

long_hours=
runs=
if [ "${1:-}" = "--long" ]; then
    long_hours=${2:?"--long needs a number of hours"}
    shift 2
    if [ "${1:-}" = "--runs" ]; then
        runs=${2:?"--runs needs a number of inputs"}
        shift 2
    fi
else
    seconds=${1:-30}
    shift || true
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for name in "${all_targets[@]}"; do
        if [ -n "$long_hours" ] || [ "${kind_of[$name]}" = fast ]; then
            targets+=("$name")
        fi
    done
fi
for name in "${targets[@]}"; do
    [ -n "${kind_of[$name]:-}" ] || { echo "No fuzz target named $name" >&2; exit 2; }
done

# The regressions are replayed through every target of their reader, fast or not.
to_build=("${targets[@]}")
[ -n "$long_hours" ] || to_build=("${all_targets[@]}")

echo "== Build the fuzz targets =="
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_UI=OFF -DQUORVANE_BUILD_TESTS=OFF \
    "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${to_build[@]/%/_fuzzer}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# The options of every run of a target; artifacts go to the folder given.
options_of() {
    local name=$1 artifacts=$2 reader=${reader_of[$1]}
    options=(-max_len="${max_len_of[$name]}" -timeout=10 -rss_limit_mb=2048
             -artifact_prefix="$artifacts/" -print_final_stats=1
             # Inputs that run fast are chosen more often: a few large inputs (a chain of
             # thousands of items) would otherwise take most of the time.
             -entropic_scale_per_exec_time=1)
    if [ -f "fuzz/dict/$reader.dict" ]; then
        options+=(-dict="fuzz/dict/$reader.dict")
    fi
}

# The inputs run, the inputs a second, and the last coverage figures of a libFuzzer log.
execs_of() { sed -n 's/^stat::number_of_executed_units: *//p' "$1" | tail -1; }
rate_of() { sed -n 's/^stat::average_exec_per_sec: *//p' "$1" | tail -1; }
cov_of() { grep -o 'cov: [0-9]* ft: [0-9]*' "$1" | tail -1 | tr -d ':'; }

# Runs a fuzzer with its output in LOG and adds the processor seconds it took (user and system)
# to `cpu_seconds`; its exit status goes to `status`. The inputs a processor second do not fall
# when other work shares the machine, as libFuzzer's inputs a second (by the clock) do.
run_timed() {
    local log=$1 times
    shift
    times=$(mktemp)
    status=0
    { TIMEFORMAT='%U %S'; time "$@" >"$log" 2>&1 || status=$?; } 2>"$times"
    cpu_seconds=$(awk -v c="$cpu_seconds" '{ printf "%.2f", c + $1 + $2 }' "$times")
    rm -f "$times"
}
per_cpu_second() { awk -v n="${1:-0}" -v c="$2" 'BEGIN { printf "%d", (c > 0 ? n / c : 0) }'; }

has_files() { compgen -G "$1/*" >/dev/null; }

# Replays every regression input of the targets' readers; the names of those that fail.
replay_regressions() {
    local name reader log
    for name in "${to_build[@]}"; do
        reader=${reader_of[$name]}
        has_files "fuzz/regressions/$reader" || continue
        log=$work/$name.regressions.log
        options_of "$name" "$work/$name.regressions"
        mkdir -p "$work/$name.regressions"
        if ! "$build/bin/${name}_fuzzer" "${options[@]}" fuzz/regressions/"$reader"/* >"$log" 2>&1; then
            tail -n 60 "$log" >&2
            echo "$name FAILED on an input of fuzz/regressions/$reader/" >&2
            failed+=("$name")
        fi
    done
}

# ---- The test command's run --------------------------------------------------------------------

if [ -z "$long_hours" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    failed=()
    summary=()
    echo "== Replay the regression inputs =="
    replay_regressions
    for name in "${targets[@]}"; do
        reader=${reader_of[$name]}
        echo "== $name: $seconds s =="
        mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
        cp "fuzz/corpus/$reader"/* "$work/$name/corpus/"
        options_of "$name" "$work/$name/artifacts"
        log=$work/$name/fuzz.log
        cpu_seconds=0
        run_timed "$log" "$build/bin/${name}_fuzzer" "${options[@]}" -max_total_time="$seconds" \
            "$work/$name/corpus"
        summary+=("$(printf '%-17s %-6s %10s inputs %7s inputs/s %7s per CPU s   %s' "$name" \
            "${kind_of[$name]}" "$(execs_of "$log")" "$(rate_of "$log")" \
            "$(per_cpu_second "$(execs_of "$log")" "$cpu_seconds")" "$(cov_of "$log")")")
        if [ "$status" -ne 0 ] || has_files "$work/$name/artifacts"; then
            tail -n 60 "$log" >&2
            mkdir -p "$build/artifacts/$name"
            cp "$work/$name/artifacts/"* "$build/artifacts/$name/" 2>/dev/null || true
            echo "$name FAILED (exit $status); inputs kept in $build/artifacts/$name/" >&2
            failed+=("$name")
        fi
    done
    echo "== Fuzzing summary =="
    printf '%s\n' "${summary[@]}"
    if [ ${#failed[@]} -gt 0 ]; then
        echo "Fuzzing found faults in: ${failed[*]}" >&2
        exit 1
    fi
    echo "No faults found."
    exit 0
fi

# ---- The long run ------------------------------------------------------------------------------

renice -n 19 -p $$ >/dev/null
work=$build/long
mkdir -p "$work"
total_seconds=$(awk -v h="$long_hours" 'BEGIN { printf "%d", h * 3600 }')
per_target=$((total_seconds / ${#targets[@]}))
[ "$per_target" -gt 0 ] || { echo "--long: too few hours for ${#targets[@]} targets" >&2; exit 2; }
# A target whose faults keep coming back is left after this many findings.
max_findings=10
totals=$work/totals.txt
echo "Long run of $long_hours h from $(date -Is): ${targets[*]}${runs:+, at most $runs inputs each}" \
    >>"$totals"

is_found_input() { [[ $(basename "$1") =~ ^[0-9a-f]{40}$ ]]; }

# Merges the reader's corpus and what its targets found back into fuzz/corpus/<reader>/,
# minimised by the coverage of each of its targets in turn.
merge_back() {
    local reader=$1 name merged
    merged=$(mktemp -d)
    for seed in "fuzz/corpus/$reader"/*; do
        is_found_input "$seed" || cp "$seed" "$merged/"
    done
    local sources=("fuzz/corpus/$reader")
    for name in "${all_targets[@]}"; do
        [ "${reader_of[$name]}" = "$reader" ] && [ -d "$work/$name/corpus" ] &&
            sources+=("$work/$name/corpus")
    done
    for name in "${all_targets[@]}"; do
        [ "${reader_of[$name]}" = "$reader" ] && [ -x "$build/bin/${name}_fuzzer" ] || continue
        options_of "$name" "$work/$name/merge-artifacts"
        mkdir -p "$work/$name/merge-artifacts"
        "$build/bin/${name}_fuzzer" "${options[@]}" -merge=1 "$merged" "${sources[@]}" \
            >"$work/$name/merge.log" 2>&1 ||
            echo "$name: merging failed, see $work/$name/merge.log" >&2
    done
    for found in "fuzz/corpus/$reader"/*; do
        is_found_input "$found" && rm -f "$found"
    done
    for found in "$merged"/*; do
        is_found_input "$found" && cp "$found" "fuzz/corpus/$reader/"
    done
    rm -rf "$merged"
    echo "$reader: $(ls "fuzz/corpus/$reader" | wc -l) inputs in fuzz/corpus/$reader/"
}

for name in "${targets[@]}"; do
    reader=${reader_of[$name]}
    dir=$work/$name
    mkdir -p "$dir/corpus" "$dir/findings" "fuzz/regressions/$reader"
    has_files "$dir/corpus" || cp "fuzz/corpus/$reader"/* "$dir/corpus/"
    options_of "$name" "$dir/findings"
    [ -z "$runs" ] || options+=(-runs="$runs")
    echo "== $name: $per_target s from $(date -Is) =="
    deadline=$(($(date +%s) + per_target))
    execs=0
    cpu_seconds=0
    findings=0
    session=0
    while true; do
        left=$((deadline - $(date +%s)))
        [ "$left" -gt 0 ] || break
        session=$((session + 1))
        log=$dir/fuzz-$session.log
        run_timed "$log" "$build/bin/${name}_fuzzer" "${options[@]}" -max_total_time="$left" \
            "$dir/corpus"
        session_execs=$(execs_of "$log")
        execs=$((execs + ${session_execs:-0}))
        last_log=$log
        # A finding: kept as a regression input, then the target fuzzes on.
        found=0
        for artifact in "$dir/findings"/*; do
            [ -f "$artifact" ] || continue
            kept=fuzz/regressions/$reader/$name-$(basename "$artifact")
            mv "$artifact" "$kept"
            echo "$name: finding kept as $kept (log $log)" | tee -a "$totals"
            found=1
        done
        if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
            echo "$name: ended with status $status and no input to keep, see $log" | tee -a "$totals"
            break
        fi
        [ "$status" -ne 0 ] || break
        findings=$((findings + 1))
        [ "$findings" -lt "$max_findings" ] || break
        if [ -n "$runs" ]; then
            [ "$execs" -lt "$runs" ] || break
            options_of "$name" "$dir/findings"
            options+=(-runs=$((runs - execs)))
        fi
    done
    printf '%-17s %-6s %10s inputs %7s per CPU s %7s inputs/s (last session)  %s  findings %s  until %s\n' \
        "$name" "${kind_of[$name]}" "$execs" "$(per_cpu_second "$execs" "$cpu_seconds")" \
        "$(rate_of "$last_log")" "$(cov_of "$last_log")" "$findings" "$(date -Is)" |
        tee -a "$totals"
    merge_back "$reader"
done
echo "Totals in $totals"
