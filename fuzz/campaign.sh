#!/usr/bin/env bash
# Fuzz campaign for the libFuzzer targets, with figures.
#
#   fuzz/campaign.sh                 every target: read_frame, device_link, cfg_loader, dat_reader,
#                                    corvanet_export
#   fuzz/campaign.sh cfg_loader      one target (fuzz_cfg_loader works too)
#
# For each target: fuzz a work copy of fuzz/corpus/<name>/ for FUZZ_MINUTES, then minimise the
# result back into fuzz/corpus/<name>/ with -merge=1 (hand-made seeds with readable names are kept,
# every other file is rebuilt from the merge), then replay the seed and the new corpus in a
# coverage build and report line, region and branch coverage of the parser sources.
#
#   FUZZ_MINUTES    minutes per target (default 10)
#   FUZZ_SECONDS    seconds per target instead, for a short trial
#   FUZZ_PARALLEL   fuzzers running at the same time, 1 or 2 (default 1)
#   FUZZ_MAX_LEN    largest input tried and kept, bytes (default 4096)
#   FUZZ_SEED       libFuzzer -seed (default 1)
#   FUZZ_COVERAGE   0 skips the coverage build and report (default 1)
#   FUZZ_BUILD      fuzz build tree (default build-fuzz)
#   FUZZ_COV_BUILD  coverage build tree (default build-fuzzcov)
#   FUZZ_OUT        logs, crash files and the summary (default build-fuzz/campaign)
#
# Exits 1 when a target left a crash, leak, timeout or out-of-memory file behind.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

minutes="${FUZZ_MINUTES:-10}"
seconds="${FUZZ_SECONDS:-$((minutes * 60))}"
parallel="${FUZZ_PARALLEL:-1}"
max_len="${FUZZ_MAX_LEN:-4096}"
seed="${FUZZ_SEED:-1}"
coverage="${FUZZ_COVERAGE:-1}"
build="${FUZZ_BUILD:-build-fuzz}"
cov_build="${FUZZ_COV_BUILD:-build-fuzzcov}"
out="${FUZZ_OUT:-$build/campaign}"
corpus_limit=300
llvm_profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
llvm_cov=$(command -v llvm-cov-14 || command -v llvm-cov)

all_targets=(read_frame device_link cfg_loader dat_reader corvanet_export)

# The sources each target is there to exercise; coverage is reported for these only.
parser_sources() {
    case "$1" in
    read_frame) echo device/FramedLink.cpp device/FrameCodec.cpp ;;
    device_link) echo device/DeviceLink.cpp device/SettingsTransfer.cpp ;;
    cfg_loader) echo config/ConfigurationBlock.cpp config/ConfigurationModel.cpp config/LogTexts.cpp ;;
    dat_reader) echo live/DataFileReader.cpp live/DataFileFormat.h ;;
    corvanet_export) echo tools/corvanet/CommandLine.cpp tools/corvanet/DataSeries.cpp tools/corvanet/CsvExport.cpp \
        tools/corvanet/CdfExport.cpp live/Regating.cpp ;;
    *) return 1 ;;
    esac
}

# Files holding more than the parser: the functions to report from them, by demangled name.
parser_functions() {
    case "$1" in
    cfg_loader) echo 'config/ConfigurationModel.cpp ConfigurationModel::(LoadBlock|StoreBlock|TransferBlock)\(' ;;
    esac
}

targets=()
for arg in "$@"; do
    name="${arg#fuzz_}"
    if ! parser_sources "$name" >/dev/null; then
        echo "unknown target: $arg (one of: ${all_targets[*]})" >&2
        exit 2
    fi
    targets+=("$name")
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

fuzz_binaries=()
for name in "${targets[@]}"; do
    fuzz_binaries+=("fuzz_$name")
done

configure() {
    local tree=$1
    shift
    CXX=clang++ cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANE_GUI=OFF \
        -DVELTRANE_TESTS=OFF -DVELTRANE_BENCH=OFF -DVELTRANE_FUZZ=ON "$@" >/dev/null
    cmake --build "$tree" --target "${fuzz_binaries[@]}" -j2
}

echo "== building ${fuzz_binaries[*]} in $build"
configure "$build"
mkdir -p "$out"

# Hand-made seeds have readable names; files libFuzzer wrote are named by their SHA-1.
is_generated() {
    [[ "$1" =~ ^[0-9a-f]{40}$ ]]
}

# Fuzzes one target, merges into its corpus and writes <out>/<name>/figures.
fuzz_one() {
    local name=$1
    local bin="$root/$build/fuzz/fuzz_$name"
    local dir="$out/$name"
    local corpus="fuzz/corpus/$name"
    rm -rf "$dir"
    mkdir -p "$dir/work" "$dir/merged" "$dir/seed" "$corpus"
    cp -r "$corpus/." "$dir/seed/"
    cp -r "$corpus/." "$dir/work/"

    local status=0
    "$bin" -max_total_time="$seconds" -max_len="$max_len" -seed="$seed" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$dir/" "$dir/work" >"$dir/fuzz.log" 2>&1 || status=$?

    # Seeds first, so the merge keeps them and adds only inputs that reach something new.
    local file
    for file in "$dir/seed"/*; do
        [ -f "$file" ] || continue
        is_generated "$(basename "$file")" || cp "$file" "$dir/merged/"
    done
    "$bin" -merge=1 -max_len="$max_len" "$dir/merged" "$dir/work" >"$dir/merge.log" 2>&1

    for file in "$corpus"/*; do
        [ -f "$file" ] || continue
        if is_generated "$(basename "$file")" && [ ! -e "$dir/merged/$(basename "$file")" ]; then
            rm "$file"
        fi
    done
    cp -n "$dir/merged"/* "$corpus/" 2>/dev/null || true

    local runs execs final_line findings files bytes largest
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/fuzz.log" | tail -n1)
    execs=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/fuzz.log" | tail -n1)
    final_line=$(grep -E '^#[0-9]+.* cov: [0-9]+ ft: [0-9]+' "$dir/fuzz.log" | tail -n1 || true)
    findings=$(find "$dir" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) -printf '%f ' | sed 's/ $//')
    files=$(find "$corpus" -type f | wc -l)
    bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    largest=$(find "$corpus" -type f -printf '%s\n' | sort -n | tail -n1)
    {
        echo "runs=${runs:-?}"
        echo "execs=${execs:-?}"
        echo "cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$final_line")"
        echo "ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$final_line")"
        echo "files=$files"
        echo "bytes=$bytes"
        echo "largest=${largest:-0}"
        echo "status=$status"
        echo "findings=${findings:-none}"
    } >"$dir/figures"
    if [ "$files" -gt "$corpus_limit" ]; then
        echo "warning: $corpus holds $files files after the merge" >&2
    fi
    echo "-- fuzz_$name done: $(tr '\n' ' ' <"$dir/figures")"
}

echo "== fuzzing ${targets[*]}: ${seconds} s each, ${parallel} at a time, output in $out"
running=0
for name in "${targets[@]}"; do
    if [ "$running" -ge "$parallel" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_one "$name" &
    running=$((running + 1))
done
wait

# Replays a corpus in the coverage build; prints the llvm-cov report for the parser sources.
coverage_report() {
    local name=$1 corpus=$2 tag=$3
    local bin="$cov_build/fuzz/fuzz_$name"
    local dir="$out/$name"
    rm -f "$dir/$tag".profraw "$dir/$tag".profdata
    LLVM_PROFILE_FILE="$dir/$tag.profraw" "$bin" -runs=0 -max_len="$max_len" "$corpus" \
        >"$dir/$tag-replay.log" 2>&1
    "$llvm_profdata" merge -sparse "$dir/$tag.profraw" -o "$dir/$tag.profdata"
    # shellcheck disable=SC2046
    "$llvm_cov" report "$bin" -instr-profile="$dir/$tag.profdata" $(parser_sources "$name")
    local file regex
    read -r file regex <<<"$(parser_functions "$name")"
    if [ -n "$file" ]; then
        echo
        echo "$file, parser functions only:"
        "$llvm_cov" report "$bin" -instr-profile="$dir/$tag.profdata" -show-functions -Xdemangler=c++filt "$file" |
            grep -E "^Name|$regex" | sed -E 's/\(([^ ]| [^ ])*\) +/()  /; s/^Name +/Name  /'
    fi
}

if [ "$coverage" != 0 ]; then
    echo "== coverage build in $cov_build"
    configure "$cov_build" "-DCMAKE_CXX_FLAGS=-fprofile-instr-generate -fcoverage-mapping" \
        "-DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate"
    for name in "${targets[@]}"; do
        coverage_report "$name" "$out/$name/seed" seed >"$out/$name/coverage-seed.txt"
        coverage_report "$name" "fuzz/corpus/$name" corpus >"$out/$name/coverage.txt"
    done
fi

# Summary: one table for the fuzzing, then per target the coverage before (seeds) and after.
summary="$out/summary.md"
{
    echo "| target | executions | exec/s | cov | ft | corpus files | corpus bytes | largest | findings |"
    echo "|---|---|---|---|---|---|---|---|---|"
    failed=0
    for name in "${targets[@]}"; do
        # shellcheck disable=SC1090,SC2154
        (
            . "$out/$name/figures"
            echo "| fuzz_$name | $runs | $execs | $cov | $ft | $files | $bytes | $largest | $findings |"
        )
        grep -q '^findings=none$' "$out/$name/figures" || failed=1
    done
    if [ "$coverage" != 0 ]; then
        for name in "${targets[@]}"; do
            echo
            echo "fuzz_$name, seed corpus only:"
            echo '```'
            cat "$out/$name/coverage-seed.txt"
            echo '```'
            echo "fuzz_$name, corpus after the campaign:"
            echo '```'
            cat "$out/$name/coverage.txt"
            echo '```'
        done
    fi
    echo "$failed" >"$out/failed"
} >"$summary"
cat "$summary"
if [ "$(cat "$out/failed")" != 0 ]; then
    echo "findings left in $out/<target>/ (crash-*, leak-*, timeout-*, oom-*)" >&2
    exit 1
fi
