#!/usr/bin/env bash
# Soak runs of the whole program against the controller emulator, headless.
#
#   bench/soak.sh [live|fault|kill|diskfull|all|hostile]      (default: live)
#
# live     veltrane --simulate with recording on at SOAK_RATE pulses/s for SOAK_SECONDS; samples resident
#          memory and CPU from /proc; reports pulses shown, sequence gaps, duplicates, the longest tick,
#          the latency from a pulse reply's last byte on the line to the end of the paint that showed it
#          (the built-in emulator times each reply) and the pulses in the recorded files.
# fault    the same against pfpd-sim with faults through veltrane --device: byte flips (SOAK_FLIP per byte,
#          default 0.00002, so about 1 % of the 531-byte pulse replies; 0.01 per byte would damage 99.5 % of
#          them), 5 % NAKs, 2 % of replies paused 200 ms mid-frame, a 200 ms silence, a 3 s hang-up and
#          return. pfpd-sim's event log and veltrane's pulse log (same clock) give the recovery time: from
#          each fault's end to the next pulse on screen.
# kill     SOAK_KILLS times: start a recording, kill -9 the program mid-recording, then check that every
#          file reopens (read through Corvanet's CSV export), holds whole records, and holds every pulse
#          the program had shown before the kill (its pulse log is written straight through).
# diskfull record onto a small tmpfs (needs mount rights; without them a file-size limit stands in),
#          fill it, and time the recording's stop message from the moment the disk was full; the file
#          must still read back.
# hostile  (not in all: it takes three minutes) a hostile controller through pfpd-sim and veltrane --device:
#          10 s of fast noise, 12 s of a frame that never ends (a byte every 30 ms), 10 s of replies at
#          9600 baud on the 38400 line, then 20 hang-ups of 1 s, 6 s apart; runs HOSTILE_SECONDS (180).
#          Reports the longest tick, the resident memory at every sample and its growth over the
#          hang-ups, and the time from each fault's end to the next pulse on screen. HOSTILE_FAULTS replaces
#          the faults (pfpd-sim options), e.g. HOSTILE_SECONDS=26 HOSTILE_FAULTS="--drip 8,12,30" for one alone.
#
# Environment: SOAK_SECONDS (60), SOAK_RATE (7, the line carries about 7.3 replies/s at 38400 baud),
# SOAK_KILLS (20), SOAK_KILL_MIN/SOAK_KILL_MAX (seconds after start of each kill, 1.5/3.5), SOAK_BUILD (build), SOAK_SAMPLE (5 s between samples), SOAK_OUT (a new temporary folder),
# SOAK_CHROMATOGRAM=1 to run with the live chromatogram panel open (its profile key set),
# SOAK_EARLY=1 to request the next pulse early (--early-pulse-request: one request ahead, full duplex),
# SOAK_STRICT=1 to exit non-zero on a clear regression only: a crash, no stats, pulses lost well below the
# line limit, an unreadable file, a shown pulse missing from its file, a recording that outlives a full
# disk by more than a second. Other timing figures are reported; only gross regressions fail (latency
# p95 over 40 ms, a fault not recovered from within 10 s).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-live}
seconds=${SOAK_SECONDS:-60}
rate=${SOAK_RATE:-7}
kills=${SOAK_KILLS:-20}
build=${SOAK_BUILD:-$root/build}
[[ $build = /* ]] || build=$root/$build
sample=${SOAK_SAMPLE:-5}
strict=${SOAK_STRICT:-0}
veltrane=$build/app/veltrane
sim=$build/sim/pfpd-sim
corvanet=$build/tools/corvanet/Corvanet
out=${SOAK_OUT:-$(mktemp -d /tmp/veltrane-soak.XXXXXX)}
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
ticks=$(getconf CLK_TCK)
failures=0

fail() {
    echo "SOAK FAIL: $*"
    failures=$((failures + 1))
}

for program in "$veltrane" "$corvanet"; do
    [[ -x $program ]] || { echo "soak: $program is not built"; exit 2; }
done

# A working folder with the defaults and a private profile, so the operator's own settings stay untouched.
prepare() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir/data"
    cp "$root/DEFAULT.CFG" "$dir/"
    # Files up to 1000 MB: the default 1.4 MB fills in under ten minutes at 5 Hz and ends the recording.
    # [Preferences] last: the disk-full runs add to it.
    {
        [[ ${SOAK_CHROMATOGRAM:-0} != 1 ]] || printf '[Window]\nLive%%20Chromatogram=1\n'
        printf '[Preferences]\nData%%20Size=1000\n'
    } >"$dir/profile.ini"
}

cpu_ticks() { # utime + stime of a process (and its threads)
    awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0
}
rss_kb() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0
}

# Samples a process until it exits: "seconds rss_kb cpu_percent_since_last" lines.
monitor() {
    local pid=$1 file=$2 start last now t0 t1
    t0=$(date +%s.%N)
    last=$(cpu_ticks "$pid")
    echo "# seconds rss_kb cpu_percent" >"$file"
    while kill -0 "$pid" 2>/dev/null; do
        sleep "$sample"
        kill -0 "$pid" 2>/dev/null || break
        now=$(cpu_ticks "$pid")
        t1=$(date +%s.%N)
        awk -v t0="$t0" -v t1="$t1" -v a="$last" -v b="$now" -v hz="$ticks" -v rss="$(rss_kb "$pid")" -v s="$sample" \
            'BEGIN { printf "%.1f %d %.2f\n", t1 - t0, rss, 100 * (b - a) / hz / s }' >>"$file"
        last=$now
    done
}

# Pulses in every .dat file of a folder, read back through Corvanet; an unreadable file is a failure.
count_recorded() {
    local dir=$1 total=0 files=0 bad=0 f rows
    mkdir -p "$dir/csv"
    for f in "$dir"/data/*.dat "$dir"/data/*.DAT; do
        [[ -e $f ]] || continue
        files=$((files + 1))
        if ! "$corvanet" --export-csv --pulses --out "$dir/csv" "$f" >"$dir/csv/last.log" 2>&1; then
            bad=$((bad + 1))
            echo "unreadable: $f: $(head -c 300 "$dir/csv/last.log")"
            continue
        fi
        rows=$(cat "$dir"/csv/"$(basename "${f%.*}")"*pulse*.csv 2>/dev/null | grep -c '^[0-9]' || true)
        total=$((total + rows))
    done
    echo "$files $total $bad"
}

# Milliseconds on the steady clock the program and pfpd-sim stamp their logs with.
monotonic_ms() {
    perl -MTime::HiRes=clock_gettime,CLOCK_MONOTONIC -e 'printf "%.3f\n", clock_gettime(CLOCK_MONOTONIC) * 1000'
}

# Time counters of the pulses in the recorded files of a folder (after count_recorded made the CSVs).
recorded_counters() {
    cat "$1"/csv/*pulse*.csv 2>/dev/null | awk -F, '/^[0-9]/ { print $2 }'
}

stat_field() { # the number after a label in the --stats line
    sed -n "s/.*$2 \([-0-9.]*\).*/\1/p" "$1" | head -1
}

report_run() {
    local name=$1 dir=$2 status=$3 expected=$4
    local stats="$dir/stdout.txt" shown gaps dups longest first lost back files recorded bad
    shown=$(stat_field "$stats" "pulses shown")
    gaps=$(stat_field "$stats" "sequence gaps")
    dups=$(stat_field "$stats" "duplicates")
    longest=$(stat_field "$stats" "longest tick")
    local p95 damaged
    p95=$(stat_field "$stats" "p95")
    damaged=$(stat_field "$stats" "damaged replies")
    first=$(stat_field "$stats" "first pulse")
    lost=$(stat_field "$stats" "line lost")
    back=$(sed -n 's/.*back \([0-9]*\) times.*/\1/p' "$stats" | head -1)
    read -r files recorded bad < <(count_recorded "$dir" | tail -1)
    count_recorded "$dir" | grep '^unreadable' || true
    local rss0 rss1 cpu
    rss0=$(awk 'NR == 2 { print $2 }' "$dir/samples.txt")
    rss1=$(awk '!/^#/ { r = $2 } END { print r }' "$dir/samples.txt")
    # The first sample includes start-up; the steady-state CPU is the mean of the rest.
    cpu=$(awk '!/^#/ { n++; if (n > 1) { s += $3; m++ } } END { if (m) printf "%.2f", s / m; else print "n/a" }' \
        "$dir/samples.txt")
    # The built-in emulator says how many pulses it fired; against pfpd-sim the rate gives an estimate.
    local fired
    fired=$(sed -n 's/.*emulator fired \([0-9]*\) pulses.*/\1/p' "$stats" | head -1)
    [[ -z $fired ]] || expected=$fired
    echo "== soak $name: ${seconds}s at ${rate} Hz, next pulse requested $([[ ${SOAK_EARLY:-0} == 1 ]] && echo early || echo after each reply), live chromatogram $([[ ${SOAK_CHROMATOGRAM:-0} == 1 ]] && echo shown || echo hidden) (exit $status)"
    echo "pulses fired ${fired:-about $expected}, shown ${shown:-?}, sequence gaps ${gaps:-?}, duplicates ${dups:-?}"
    echo "recorded ${recorded} pulses in ${files} files (${bad} unreadable)"
    echo "longest tick ${longest:-?} ms, first pulse ${first:-?} s after launch, line lost ${lost:-?} back ${back:-?}"
    echo "damaged replies asked again ${damaged:-?}; $(sed -n 's/.*\(latency p50.*\)/\1/p' "$stats" | head -1)"
    echo "RSS ${rss0:-?} kB after ${sample}s, ${rss1:-?} kB at the end; CPU ${cpu}% of one core (steady state, program + emulator)"
    echo "samples: $dir/samples.txt"
    [[ $status -eq 0 ]] || fail "$name: exit status $status"
    [[ -n $shown ]] || { fail "$name: no stats line"; return; }
    [[ $bad -eq 0 ]] || fail "$name: $bad unreadable data files"
    if [[ $name == live ]]; then
        # Below the line limit nothing may be lost; allow a little for start-up and the final tick.
        ((gaps <= 2 || gaps * 50 <= shown)) || fail "$name: $gaps sequence gaps below the line limit"
        ((shown * 10 >= expected * 7)) || fail "$name: only $shown of about $expected pulses shown"
        ((recorded * 10 >= shown * 9)) || fail "$name: only $recorded of $shown pulses recorded"
        [[ -z $p95 ]] || awk -v p="$p95" 'BEGIN { exit !(p <= 40) }' || fail "$name: latency p95 $p95 ms"
    else
        ((shown * 4 >= expected)) || fail "$name: only $shown of about $expected pulses shown"
        ((recorded > 0)) || fail "$name: nothing recorded"
        [[ -z $lost || $lost -eq 0 || ${back:-0} -ge 1 ]] || fail "$name: the line was lost and never came back"
    fi
}

# One unattended recording run of SOAK_SECONDS in a prepared folder, sampled until it exits; the
# arguments name the controller. Returns the program's exit status.
record_monitored() {
    local dir=$1 pid
    shift
    [[ ${SOAK_EARLY:-0} != 1 ]] || set -- "$@" --early-pulse-request
    "$veltrane" "$@" --workdir "$dir" --profile "$dir/profile.ini" --record "$dir/data/SK001.dat" \
        --pulse-log "$dir/pulses.log" --auto-answer no --quit-after "$seconds" --stats \
        >"$dir/stdout.txt" 2>"$dir/stderr.txt" &
    pid=$!
    monitor "$pid" "$dir/samples.txt"
    wait "$pid"
}

run_live() {
    local dir=$out/live status
    prepare "$dir"
    record_monitored "$dir" --simulate --simulate-rate "$rate"
    status=$?
    report_run live "$dir" "$status" "$(awk -v s="$seconds" -v r="$rate" 'BEGIN { printf "%d", (s - 3) * r }')"
}

# Records through veltrane --device against pfpd-sim started with the seed and fault options given;
# returns the program's status.
record_against_sim() {
    local dir=$1 seed=$2 simpid status
    shift 2
    "$sim" --rate "$rate" --no-eeprom --seed "$seed" --link "$dir/tty" "$@" --event-log "$dir/events.log" \
        >"$dir/sim.txt" 2>&1 &
    simpid=$!
    for _ in $(seq 50); do [[ -e $dir/tty ]] && break; sleep 0.1; done
    record_monitored "$dir" --device "$dir/tty" --online
    status=$?
    kill "$simpid" 2>/dev/null
    wait "$simpid" 2>/dev/null
    return "$status"
}

run_fault() {
    local dir=$out/fault status hang=$((seconds / 2))
    [[ -x $sim ]] || { echo "soak: $sim is not built"; exit 2; }
    prepare "$dir"
    record_against_sim "$dir" 7 --flip-rate "${SOAK_FLIP:-0.00002}" --nak-rate 0.05 --pause-rate 0.02 \
        --pause-ms 200 --silence "$((seconds / 4)),0.2" --hangup "$hang,3"
    status=$?
    report_run fault "$dir" "$status" "$(awk -v s="$seconds" -v r="$rate" 'BEGIN { printf "%d", (s - 6) * r }')"
    report_recovery "$dir"
}

# From each fault's end (pfpd-sim's event log) to the next pulse painted (veltrane's pulse log).
report_recovery() {
    local dir=$1 end
    end=$(tail -1 "$dir/pulses.log" | cut -d' ' -f1)
    # One line per fault: "<seconds to the next pulse> <kind>", or "never <kind>".
    { awk '$2 == "fault-end" { print $1, "F", $3 }' "$dir/events.log"
      awk 'NF == 4 { print $1, "P" }' "$dir/pulses.log"; } | sort -n -k1,1 |
        awk -v end="$end" 'BEGIN { n = 0 }
            $2 == "F" { t[n] = $1; k[n] = $3; n++; next }
            { for (i = 0; i < n; i++) printf "%.3f %s\n", ($1 - t[i]) / 1000, k[i]; n = 0 }
            END { for (i = 0; i < n; i++) if (end - t[i] > 10000) print "never", k[i] }' >"$dir/recovery.txt"
    local count p50 p95 worst late
    count=$(grep -vc '^never' "$dir/recovery.txt")
    late=$(grep -c '^never' "$dir/recovery.txt")
    read -r p50 p95 worst < <(grep -v '^never' "$dir/recovery.txt" | sort -g -k1,1 |
        awk '{ v[++m] = $1 } END { if (!m) { print "- - -"; exit }
              printf "%s %s %s\n", v[int(0.5 * m + 0.999)], v[int(0.95 * m + 0.999)], v[m] }')
    echo "recovery after $count faults (fault end to the next pulse on screen): median $p50 s, p95 $p95 s, longest $worst s; never recovered: $late"
    echo "longest by kind: $(sort -k2,2 -k1,1gr "$dir/recovery.txt" | awk '!seen[$2]++ { printf "%s %s s; ", $2, $1 }')"
    ((late == 0)) || fail "fault: $late faults were never followed by a pulse"
    [[ $worst == - ]] || awk -v w="$worst" 'BEGIN { exit !(w <= 10) }' || fail "fault: a recovery took $worst s"
}

run_hostile() {
    local dir=$out/hostile status seconds=${HOSTILE_SECONDS:-180} faults
    read -ra faults <<<"${HOSTILE_FAULTS:---noise 8,10 --drip 24,12,30 --wrong-baud 42,10,9600 --hangup 58,1,6,20}"
    [[ -x $sim ]] || { echo "soak: $sim is not built"; exit 2; }
    prepare "$dir"
    record_against_sim "$dir" 11 "${faults[@]}"
    status=$?
    # Faults take about 100 s of the run; at least a quarter of the rest must be shown.
    report_run hostile "$dir" "$status" "$(awk -v s="$seconds" -v r="$rate" 'BEGIN { printf "%d", (s - 100) * r }')"
    echo "hang-ups begun: $(grep -c 'fault-begin hangup' "$dir/events.log")"
    echo "RSS over time (seconds:kB): $(awk '!/^#/ { printf "%s:%s ", $1, $2 }' "$dir/samples.txt")"
    # From the sample before the first hang-up to the last one: what 20 hang-ups cost.
    awk '!/^#/ { if ($1 <= 58) before = $2; last = $2 }
         END { printf "RSS growth over the hang-ups: %d kB (%d kB before the first, %d kB at the end)\n",
               last - before, before, last }' "$dir/samples.txt"
    report_recovery "$dir"
}

run_kill() {
    local dir=$out/kill i pid files=0 recorded=0 bad=0 empty=0 missing=0 extra=0 f n r b start m x
    local lo=${SOAK_KILL_MIN:-1.5} hi=${SOAK_KILL_MAX:-3.5}
    rm -rf "$dir"
    mkdir -p "$dir"
    start=$(date +%s)
    for i in $(seq "$kills"); do
        local one=$dir/$i
        prepare "$one"
        "$veltrane" --simulate --simulate-rate "$rate" --workdir "$one" --profile "$one/profile.ini" \
            --record "$one/data/KL001.dat" --pulse-log "$one/pulses.log" --auto-answer no >"$one/stdout.txt" 2>&1 &
        pid=$!
        # Killed at a different point of the pulse cycle each time, after the first pulses.
        sleep "$(awk -v i="$i" -v lo="$lo" -v hi="$hi" 'BEGIN { srand(i); printf "%.3f", lo + (hi - lo) * rand() }')"
        kill -9 "$pid"
        wait "$pid" 2>/dev/null
        read -r f n b < <(count_recorded "$one" | tail -1)
        count_recorded "$one" | grep '^unreadable' || true
        # Every pulse shown once the recording had begun must be in the file (it is written before it
        # is shown); the file may hold one more, the pulse in flight when the program died.
        recorded_counters "$one" | sort -n >"$one/file.txt"
        awk 'NF == 4 { print $3 }' "$one/pulses.log" 2>/dev/null | sort -n >"$one/shown.txt"
        m=$(awk -v first="$(head -1 "$one/file.txt")" '$1 >= first' "$one/shown.txt" | comm -23 - "$one/file.txt" | wc -l)
        x=$(comm -13 "$one/shown.txt" "$one/file.txt" | wc -l)
        ((m == 0)) || echo "run $i: $m shown pulses missing from the file"
        missing=$((missing + m))
        ((x <= 1)) || echo "run $i: $x recorded pulses never shown"
        ((x > extra)) && extra=$x
        [[ $f -gt 0 && $b -eq 0 && $m -eq 0 ]] && rm -rf "${one:?}"/csv
        files=$((files + f))
        recorded=$((recorded + n))
        bad=$((bad + b))
        ((f > 0)) || empty=$((empty + 1))
    done
    echo "== soak kill: $kills kills mid-recording in $(($(date +%s) - start)) s"
    echo "$files files reopened with $recorded pulses in whole records; $bad unreadable; $empty runs left no file"
    echo "shown pulses missing from their file: $missing; most recorded-but-unshown pulses in one file: $extra"
    ((bad == 0)) || fail "kill: $bad files did not reopen"
    ((missing == 0)) || fail "kill: $missing shown pulses were not in their files"
    ((empty == 0)) || fail "kill: $empty runs left no data file"
}

# The data folder on a 16 MB tmpfs; once the recording runs, a filler takes every free byte. With the
# default 2 MB minimum the free-space check stops the recording; with a minimum of 0 the write itself
# fails. Either way the stop must come within a second of the disk being full, with its message, and
# the file must read back.
run_diskfull() {
    local variant
    for variant in limit write; do
        local dir=$out/diskfull-$variant pid status full stop lag mounted=0
        prepare "$dir"
        [[ $variant == write ]] && printf 'Disk%%20Free=0\n' >>"$dir/profile.ini"
        if mount -t tmpfs -o size=16m tmpfs "$dir/data" 2>/dev/null; then
            mounted=1
        fi
        if ((mounted == 0)); then
            echo "== soak diskfull ($variant): no rights to mount a tmpfs; a 40 kB file-size limit stands in"
            [[ $variant == limit ]] && continue # the free-space check needs a real full disk
        fi
        (
            ((mounted == 1)) || ulimit -f 40
            exec "$veltrane" --simulate --simulate-rate "$rate" --workdir "$dir" --profile "$dir/profile.ini" \
                --record "$dir/data/DF001.dat" --pulse-log "$dir/pulses.log" --auto-answer no --quit-after 25 \
                --stats >"$dir/stdout.txt" 2>"$dir/stderr.txt"
        ) &
        pid=$!
        sleep 8
        if ((mounted == 1)); then
            dd if=/dev/zero of="$dir/data/filler" bs=64k 2>/dev/null
            full=$(monotonic_ms)
        fi
        wait "$pid"
        status=$?
        stop=$(grep -E 'message: (Minimum Disk Free Space Reached!|Unable to write the data file)' "$dir/stderr.txt" |
            head -1 | awk '{ print $2 }')
        ((mounted == 1)) && rm -f "$dir/data/filler"
        read -r f n b < <(count_recorded "$dir" | tail -1)
        count_recorded "$dir" | grep '^unreadable' || true
        ((mounted == 1)) && umount "$dir/data"
        echo "== soak diskfull ($variant): exit $status, stop message: $(grep -o 'message: .*' "$dir/stderr.txt" | head -1)"
        echo "$f files, $n pulses read back, $b unreadable; pulses shown $(stat_field "$dir/stdout.txt" "pulses shown")"
        [[ $status -eq 0 ]] || fail "diskfull: exit status $status"
        [[ -n $stop ]] || { fail "diskfull ($variant): the recording never stopped with its message"; continue; }
        ((b == 0 && f > 0 && n > 0)) || fail "diskfull ($variant): the file did not read back"
        if [[ -n ${full:-} ]]; then
            lag=$(awk -v a="$full" -v b="$stop" 'BEGIN { printf "%.3f", (b - a) / 1000 }')
            echo "stopped $lag s after the disk was full"
            # A refused write is the stop itself; before it, the file's last tmpfs page still takes a few
            # records after the filler ends, so only the free-space check is held to the second.
            [[ $variant == write ]] || awk -v l="$lag" 'BEGIN { exit !(l <= 1) }' ||
                fail "diskfull ($variant): stopped $lag s after the disk was full"
        fi
        unset full
    done
}

case $mode in
live) run_live ;;
fault) run_fault ;;
kill) run_kill ;;
diskfull) run_diskfull ;;
all) run_live; run_fault; run_kill; run_diskfull ;;
hostile) run_hostile ;;
*) echo "usage: $0 [live|fault|kill|diskfull|all|hostile]"; exit 2 ;;
esac
echo "soak output in $out"
if ((failures > 0)); then
    echo "soak: $failures failures"
    [[ $strict == 1 ]] && exit 1
fi
exit 0
