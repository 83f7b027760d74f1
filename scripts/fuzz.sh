#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, ASan + UBSan) and runs each one for a number of seconds
# on a copy of its seed corpus, after replaying the reproducers of faults found before. Fails on
# any crash, leak, timeout or sanitizer report, and keeps the input that caused it in
# build-fuzz/artifacts/. Installs nothing: scripts/setup.sh test brings clang-14 and
# libclang-rt-14-dev.
# Usage: scripts/fuzz.sh [seconds per target, default 30] [target ...]
#   targets: ini menu_file template color_hex nav_finder sitemap publish (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=(ini menu_file template color_hex nav_finder sitemap publish)
fi
build=build-fuzz

# The largest input each target is given: enough for designs and templates with all their
# cases, small enough that the checks of one input take milliseconds.
max_len() {
    case $1 in
        color_hex) echo 64 ;;
        *) echo 4096 ;;
    esac
}

echo "== Build the fuzz targets =="
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_UI=OFF -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_WERROR=ON \
    >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

failed=()
summary=()
for target in "${targets[@]}"; do
    fuzzer=$build/bin/${target}_fuzzer
    [ -x "$fuzzer" ] || { echo "No fuzz target named $target" >&2; exit 2; }
    echo "== $target: ${seconds} s =="
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
    cp fuzz/corpus/"$target"/* "$work/$target/corpus/"
    options=(-max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=2048
             -artifact_prefix="$work/$target/artifacts/" -print_final_stats=1)
    [ -f "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")

    status=0
    # Inputs that once broke a target run first, each once.
    if compgen -G "fuzz/regressions/$target/*" >/dev/null; then
        "$fuzzer" "${options[@]}" fuzz/regressions/"$target"/* >"$work/$target/regressions.log" 2>&1 ||
            { status=$?; cat "$work/$target/regressions.log" >&2; }
    fi
    if [ "$status" -eq 0 ]; then
        "$fuzzer" "${options[@]}" -max_total_time="$seconds" "$work/$target/corpus" \
            >"$work/$target/fuzz.log" 2>&1 || status=$?
    fi

    log=$work/$target/fuzz.log
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" 2>/dev/null | tail -1 || true)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" 2>/dev/null | tail -1 || true)
    summary+=("$(printf '%-10s %12s execs %8s execs/s' "$target" "${execs:-?}" "${rate:-?}")")
    if [ "$status" -ne 0 ] || compgen -G "$work/$target/artifacts/*" >/dev/null; then
        [ -f "$log" ] && tail -n 60 "$log" >&2
        mkdir -p "$build/artifacts/$target"
        cp "$work/$target/artifacts/"* "$build/artifacts/$target/" 2>/dev/null || true
        echo "$target FAILED (exit $status); inputs kept in $build/artifacts/$target/" >&2
        failed+=("$target")
    fi
done

echo "== Fuzzing summary =="
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
echo "No faults found."
