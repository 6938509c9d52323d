#!/usr/bin/env bash
# Soak: fifty simulated instruments of every profile, many of them faulty for a while, polled by
# "talvenctl collect" for DURATION seconds; collect is killed (SIGKILL) in the middle of a pass
# and started again. At the end the simulator's clock is stopped, one more pass catches up, and
# every collected channel's file is held against what the simulator says it stored: each record
# once, no gap, same values. Resident memory, threads and descriptors of collect are sampled
# through the run, and the network file must load at every check.
#
#   tests/soak/soak.sh [--build DIR] [--work DIR] [--keep] DURATION_SECONDS
#
# --build: the build directory (default: build/ beside the sources); --work: where the files go
# (default: a new directory under /tmp, removed after a run that passed unless --keep).
# Exit 0 when every check passed, 1 otherwise, 2 on a usage error.
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build
work=
keep=0
duration=
while (($#)); do
    case $1 in
        --build) build=$2; shift 2 ;;
        --work) work=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) if [[ -z $duration && $1 =~ ^[0-9]+$ ]]; then duration=$1; shift
           else echo "soak: unexpected argument '$1' (see --help)" >&2; exit 2; fi ;;
    esac
done
if [[ -z $duration || $duration -lt 30 ]]; then
    echo "soak: give the duration in seconds, at least 30 (see --help)" >&2
    exit 2
fi
sim=$build/sim/talven-sim
ctl=$build/src/cli/talvenctl
tool=$build/tests/soak/talven-soak
for program in "$sim" "$ctl" "$tool"; do
    if [[ ! -x $program ]]; then
        echo "soak: $program is missing: build the targets talven-soak, talvenctl and talven-sim" >&2
        exit 2
    fi
done
if [[ -z $work ]]; then
    work=$(mktemp -d /tmp/talven-soak-XXXXXX)
else
    rm -rf "$work" && mkdir -p "$work"
fi
mkdir -p "$work/data" "$work/config"
# Options of our own: the default date formats, nothing from the user's settings.
export XDG_CONFIG_HOME=$work/config

# Pacing. A pass every twenty seconds or so: longer than a pass takes (the older analyzers,
# whose replies end only on silence, take about ten seconds), so that collect is seen idle
# between passes. The instruments' clock runs fast so that records accrue between passes, but
# not so fast that a ring (the shortest holds 25 hours of records) turns over while an
# instrument is faulty.
if ((duration <= 1800)); then interval=20; else interval=30; fi
rate=$((125000 / duration))
((rate > 60)) && rate=60
((rate < 1)) && rate=1
timeout_ms=1000
# No fault before the first pass is over: it fetches every record the instruments hold, the
# oldest of which leave their rings within seconds, so a fault there could lose them for good.
first_pass=20
early_end=$((duration * 45 / 100))            # faults from the first pass until here
late_start=$((duration * 15 / 100))           # faults from here ...
((late_start < first_pass)) && late_start=$first_pass
late_end=$((duration * 60 / 100))             # ... until here
kill_at=$((duration / 2))
if ((duration <= 600)); then every=0.5; else every=2; fi

sim_pid=
collect_pid=
failures=()
fail() { failures+=("$1"); echo "soak: FAIL: $1" >&2; }
stop_all() {
    [[ -n $collect_pid ]] && kill -KILL "$collect_pid" 2>/dev/null && wait "$collect_pid" 2>/dev/null
    [[ -n $sim_pid ]] && kill -TERM "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    collect_pid= sim_pid=
}
trap 'stop_all' EXIT
trap 'stop_all; exit 1' INT TERM

# --- the instruments ------------------------------------------------------------------------
# 44 analyzers of the four kinds and 6 calibrators (no DLOG, nothing to collect). Faults by id:
# replies dropped at random, the link dropped halfway through a record report, replies later than
# the receive time-out, spoiled CRC or check sum lines, junk lines, the link cut after a byte
# count, and a mixture; some from the first pass on, some from later, all ending part-way.
analyzers=(analyzer old-analyzer hex-analyzer hexcrc-analyzer)
calibrators=(calibrator old-calibrator flow-calibrator)
early="faultstart=$first_pass,faultend=$early_end"
late="faultstart=$late_start,faultend=$late_end"
fault_of() {
    case $(($1 % 11)) in
        1) echo "drop=0.25,$early" ;;
        2) echo "cutat=report,$early" ;;
        3) echo "delay=$((timeout_ms * 3 / 2)),$late" ;;
        4) echo "crc=0.05,$early" ;;
        5) echo "garbage=0.3,$late" ;;
        6) echo "cut=20000,$early" ;;
        7) echo "drop=0.1,crc=0.02,garbage=0.1,$late" ;;
        *) echo "" ;;
    esac
}
profile_of() {
    if (($1 <= 44)); then echo "${analyzers[$((($1 - 1) % 4))]}"; else echo "${calibrators[$((($1 - 45) % 3))]}"; fi
}

# Ports below the ephemeral range, fifty in a row, chosen afresh when one is taken.
start_sim() {
    local attempt base id args=()
    for attempt in 1 2 3 4 5; do
        base=$((20000 + (RANDOM % 180) * 50))
        args=()
        : >"$work/instruments.txt"
        for id in $(seq 1 50); do
            local profile faults instrument
            profile=$(profile_of "$id")
            faults=$(fault_of "$id")
            instrument="$((base + id))=$profile,id=$id,seed=$id,faultseed=$id"
            [[ -n $faults ]] && instrument+=",$faults"
            args+=(--tcp "$instrument")
            echo "$profile $id $((base + id))" >>"$work/instruments.txt"
        done
        : >"$work/sim.out"
        "$sim" --rate "$rate" --list-records "$work/records.txt" "${args[@]}" >"$work/sim.out" 2>"$work/sim.err" &
        sim_pid=$!
        for _ in $(seq 1 100); do
            grep -q '^talven-sim ready' "$work/sim.out" && return 0
            kill -0 "$sim_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -TERM "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
        sim_pid=
        grep -q 'cannot listen' "$work/sim.err" || break
    done
    echo "soak: talven-sim did not start:" >&2
    cat "$work/sim.err" >&2
    return 1
}

# --- collect and its samples ----------------------------------------------------------------
start_collect() {
    "$ctl" collect "$work/net.cfg" --interval "$interval" >/dev/null 2>"$work/collect-$1.err" &
    collect_pid=$!
}
threads_of() { ls "/proc/$1/task" 2>/dev/null | wc -l; }
sample() {  # elapsed run pid: rss threads fds, one line
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$3/status" 2>/dev/null) || return 0
    [[ -n $rss ]] || return 0
    echo "$1 $2 $rss $(threads_of "$3") $(ls "/proc/$3/fd" 2>/dev/null | wc -l)" >>"$work/samples.txt"
}
loadable_checks=0
check_loadable() {
    loadable_checks=$((loadable_checks + 1))
    "$ctl" config show "$work/net.cfg" >/dev/null 2>"$work/load.err" ||
        fail "the network file could not be loaded at ${1}s: $(cat "$work/load.err")"
}

echo "== soak: 50 instruments, ${duration}s, a pass every ${interval}s, clock ${rate}x, work in $work"
start_sim || exit 1
"$tool" network "$work/net.cfg" "$work/data" "$work/instruments.txt" "$timeout_ms" >"$work/network.out" 2>&1 ||
    { cat "$work/network.out" >&2; exit 1; }
: >"$work/samples.txt"
started=$(date +%s)
run=1
start_collect $run
killed_pending=no
ticks=0
while :; do
    elapsed=$(($(date +%s) - started))
    ((elapsed >= duration)) && break
    if ! kill -0 "$collect_pid" 2>/dev/null; then
        fail "collect ended by itself at ${elapsed}s: $(tail -3 "$work/collect-$run.err")"
        break
    fi
    sample "$elapsed" "$run" "$collect_pid"
    ((++ticks % 20 == 0)) && check_loadable "$elapsed"
    if ((run == 1 && elapsed >= kill_at)); then
        # Killed in the middle of a pass, while its instruments' threads are at work, and if it
        # comes within a few seconds, while an append is noted but its mark not yet saved.
        for _ in $(seq 1 $((interval * 20))); do
            (($(threads_of "$collect_pid") > 3)) && break
            sleep 0.05
        done
        limit=$((SECONDS + 3))
        while [[ ! -e $work/net.cfg.pending ]] && ((SECONDS < limit)); do :; done
        kill -KILL "$collect_pid"
        wait "$collect_pid" 2>/dev/null
        [[ -e $work/net.cfg.pending ]] && killed_pending=yes
        echo "== soak: collect killed at ${elapsed}s (an append was under way: $killed_pending), started again"
        check_loadable "$elapsed"
        run=2
        start_collect $run
    fi
    sleep "$every"
done

# --- the end: stop, stop the clock, catch up, list, judge ------------------------------------
kill -TERM "$collect_pid" 2>/dev/null
for _ in $(seq 1 600); do kill -0 "$collect_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$collect_pid" 2>/dev/null; then
    fail "collect did not stop within 60 s of SIGTERM"
    kill -KILL "$collect_pid"
fi
wait "$collect_pid" 2>/dev/null
collect_pid=
check_loadable "$duration"
kill -USR1 "$sim_pid"
for _ in $(seq 1 50); do grep -q '^clock stopped' "$work/sim.out" && break; sleep 0.1; done
"$ctl" collect "$work/net.cfg" --once >/dev/null 2>"$work/final.err" ||
    fail "the last pass, with the faults over and the clock stopped, failed: $(tail -3 "$work/final.err")"
kill -USR2 "$sim_pid"
for _ in $(seq 1 100); do grep -q '^records listed' "$work/sim.out" && break; sleep 0.1; done
kill -TERM "$sim_pid"
wait "$sim_pid" 2>/dev/null
sim_pid=

"$tool" check "$work/records.txt" "$work/net.cfg" "$work"/collect-*.err "$work/final.err" >"$work/check.out" 2>&1 ||
    fail "the data files do not hold every record once (see below)"
written=$(cat "$work"/collect-*.err "$work/final.err" |
          sed -n 's/.*: \([0-9]*\) records written to .*/\1/p' | awk '{s += $1} END {print s + 0}')

# Memory, threads and descriptors of each collect between passes (with the fewest threads seen
# in the whole soak): from the end of its first pass to its last such sample.
memory=$(awk '
    { run[NR] = $2; rss[NR] = $3; thr[NR] = $4; fds[NR] = $5; if (NR == 1 || $4 < base) base = $4 }
    END {
        for (r = 1; r <= 2; r++) {
            first = 0; last = 0; busy = 0; peak = 0; n = 0
            for (i = 1; i <= NR; i++) {
                if (run[i] != r) continue
                if (first && rss[i] > peak) peak = rss[i]
                if (thr[i] > base) { busy = 1; continue }
                if (!busy) continue
                if (!first) { first = i; peak = rss[i] }
                last = i; n++
            }
            if (!first) { printf "run %d: collect was never seen idle after a pass\n", r; continue }
            printf "run %d: %.1f MB after its first pass, %.1f MB at the end, %.1f MB at most; " \
                   "%d threads and %d descriptors between passes at first, %d and %d at the end\n",
                   r, rss[first] / 1024, rss[last] / 1024, peak / 1024, thr[first], fds[first], thr[last],
                   fds[last]
            printf "growth %d %d %d %d %d\n", r, rss[last] - rss[first], thr[last] - thr[first],
                   fds[last] - fds[first], n
        }
    }' "$work/samples.txt")
while read -r word r kb dthreads dfds n; do
    [[ $word == growth ]] || continue
    ((dthreads > 0)) && fail "collect run $r ended with $dthreads more threads between passes than it began with"
    ((dfds > 0)) && fail "collect run $r ended with $dfds more open descriptors between passes than it began with"
    # Flat: within 2 MB (allocator caches settle during the first passes).
    ((n >= 3 && kb > 2048)) && fail "collect run $r grew by $kb kB between passes"
done <<<"$memory"

echo "== soak report"
echo "duration                    ${duration}s, a pass every ${interval}s, instrument clock ${rate}x"
sed -n '/^instruments/,$p' "$work/check.out"
echo "records written by collect  $written (as it reported them)"
echo "network file loads          $loadable_checks checks"
grep -h -c 'were taken out again' "$work"/collect-*.err | awk '{s += $1} END {printf "appends undone after kill   %d\n", s}'
grep -v '^growth' <<<"$memory" | sed 's/^/memory /'
echo "== per instrument"
sed -n '/^  Soak/p' "$work/check.out"
grep '^FAIL' "$work/check.out" | head -20
if ((${#failures[@]})); then
    echo "== soak FAILED (${#failures[@]}): files kept in $work"
    printf '  %s\n' "${failures[@]}"
    exit 1
fi
echo "== soak passed"
((keep)) || rm -rf "$work"
exit 0
