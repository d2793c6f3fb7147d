#!/usr/bin/env bash
# Times quorvane-cli against cp -a and rsync on a corpus of real files and
# reports medians with their ranges, ratios against the targets, peak memory
# and system call counts as markdown.
#
#   bench/run-bench.sh [--data DIR] [--small] [--dry] [--runs N] [--no-x4]
#                      [--no-cold] [--verify-data] [--keep] [--rebuild] [--cli PATH]
#
#   --data DIR     work directory, outside the repository (default $BENCH_DATA,
#                  else /var/tmp/quorvane-bench). The corpus is built there once
#                  and reused; destinations go to DIR/run-* and are removed at exit.
#   --small        quick check on /usr/include (about 10k entries) instead of the
#                  full corpus (about 135k entries, 1.5 GB).
#   --dry          run the peers only; quorvane-cli is not needed.
#   --runs N       timed repetitions per measurement (default 3; at least 3 on the
#                  4x tree); medians and ranges reported.
#   --no-x4        skip the runs on a tree with 4x the files (it writes a second
#                  destination of 4x the corpus size, one tool at a time).
#   --no-cold      skip the cold-cache runs (they drop the whole machine's caches).
#   --verify-data  compare file contents after each mirror (rsync -c), not only
#                  sizes, times, modes and owners.
#   --keep         keep the destinations and logs in DIR/run-* after the run.
#   --rebuild      build the corpus again even when DIR holds one.
#   --cli PATH     quorvane-cli to test (default $QUORVANE_CLI, else
#                  build/cli/quorvane-cli of this repository, as ./run tests builds it).
#
# Needs rsync, hyperfine, GNU time and python3; strace for the system call
# counts and root for the cold-cache runs (each row says why when skipped):
#   apt-get install rsync hyperfine time python3 strace
# Exit status: 0 when every measurement ran (targets missed or not), 1 when a
# mirror's data differ from its source after a run, 2 when the benchmark could
# not run (a tool failed, space or programs missing).
set -euo pipefail
export LC_ALL=C

HERE=$(cd "$(dirname "$0")" && pwd)
CORPUS_TOOL=$HERE/make-corpus.sh
GNU_TIME=/usr/bin/time
ARCHIVE_NAME="Quorvane archive"   # the mirror's archive, inside its destination
MUTATE_KEY=1
MIN_X4_ROUNDS=3

DATA=${BENCH_DATA:-/var/tmp/quorvane-bench}
SMALL=0 DRY=0 RUNS=3 X4=1 COLD=1 VERIFY_DATA=0 KEEP=0 REBUILD=0
CLI=${QUORVANE_CLI:-$HERE/../build/cli/quorvane-cli}

die() { echo "run-bench: $*" >&2; exit 2; }
say() { echo "run-bench: $*" >&2; }
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit "${1:-2}"; }
q() { printf '%q' "$1"; }   # quotes a path for the command strings hyperfine runs

parse_args() {
  while [ $# -gt 0 ]; do
    case $1 in
      --data) [ $# -ge 2 ] || usage; DATA=$2; shift ;;
      --small) SMALL=1 ;;
      --dry) DRY=1 ;;
      --runs) [ $# -ge 2 ] || usage; RUNS=$2; shift ;;
      --no-x4) X4=0 ;;
      --no-cold) COLD=0 ;;
      --verify-data) VERIFY_DATA=1 ;;
      --keep) KEEP=1 ;;
      --rebuild) REBUILD=1 ;;
      --cli) [ $# -ge 2 ] || usage; CLI=$2; shift ;;
      -h|--help) usage 0 ;;
      *) echo "run-bench: unknown argument $1" >&2; usage ;;
    esac
    shift
  done
  [[ $RUNS =~ ^[1-9][0-9]*$ ]] || die "--runs wants a positive number, not $RUNS"
}

check_tools() {
  local missing=() t
  for t in rsync hyperfine python3 cp find; do
    command -v "$t" >/dev/null || missing+=("$t")
  done
  [ -x "$GNU_TIME" ] || missing+=("$GNU_TIME")
  [ ${#missing[@]} -eq 0 ] ||
    die "missing ${missing[*]}; install with: apt-get install rsync hyperfine time python3"
  [ -x "$CORPUS_TOOL" ] || die "missing $CORPUS_TOOL"
  [ $DRY = 1 ] && return
  [ -x "$CLI" ] || die "no quorvane-cli at $CLI; build it (./run tests), pass --cli PATH, or use --dry"
  CLI=$(realpath "$CLI")
  "$CLI" --help | grep -qE '^ +scan ' ||
    die "$CLI has no scan command yet; use --dry to time the peers only"
}

# Rows that cannot run here are reported as skipped with the reason, not
# left out silently.
skip() { printf '%s\t%s\n' "$1" "$2" >>"$SKIPS"; say "skipping $1: $2"; }
skipped() { grep -q "^$1"$'\t' "$SKIPS"; }

check_optional() {
  if [ $COLD = 0 ]; then
    skip cold "--no-cold given"
  elif [ "$(id -u)" != 0 ]; then
    skip cold "not root: dropping the page cache needs root"
  elif ! (sync && echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
    skip cold "cannot write /proc/sys/vm/drop_caches here"
  fi
  if ! command -v strace >/dev/null; then
    skip strace "strace is not installed (apt-get install strace)"
  elif ! strace -f -c -o /dev/null true 2>/dev/null; then
    skip strace "strace cannot trace here (ptrace not permitted)"
  fi
  [ $DRY = 1 ] && return
  # Read whole before matching: grep -q closing the pipe early would fail the pipeline.
  [[ $("$CLI" scan --help 2>&1) == *--no-read-ahead* ]] ||
    skip read-ahead "this quorvane-cli has no scan --no-read-ahead"
}

# ---------------------------------------------------------------- corpus

free_kb() { df -Pk "$1" | awk 'NR == 2 { print $4 }'; }
tree_kb() { du -sk "$1" | cut -f1; }

# Builds (or reuses) the source tree and its mutated copy. The copy shares
# nothing with the source: mutate appends to files in place.
prepare_corpus() {
  CORPUS=$DATA/$SIZE
  SRC=$CORPUS/source CHANGED=$CORPUS/changed
  if [ $REBUILD = 1 ] || [ ! -f "$CORPUS/complete" ]; then
    rm -rf -- "$CORPUS"
    mkdir -p -- "$CORPUS"
    say "building the $SIZE corpus in $SRC"
    local small=()
    [ $SMALL = 1 ] && small=(--small)
    "$CORPUS_TOOL" build "$SRC" "${small[@]}" >"$CORPUS/source.manifest"
    say "mutating a copy (key $MUTATE_KEY) in $CHANGED"
    cp -a -- "$SRC" "$CHANGED"
    "$CORPUS_TOOL" mutate "$CHANGED" --key $MUTATE_KEY --log "$CORPUS/mutate.log" \
      >"$CORPUS/mutate.summary"
    touch "$CORPUS/complete"
  else
    say "reusing the corpus in $CORPUS (--rebuild builds it again)"
  fi
}

# Four hard-linked copies of a tree, one level down: four times the entries,
# the same widest directory, no extra data on disk. Made only for the 4x run:
# link counts above 1 change how cp -a works.
link_x4() {
  local i
  mkdir -p -- "$2"
  for i in 1 2 3 4; do cp -al -- "$1" "$2/$i"; done
}

# Largest number of entries directly inside one directory of a tree.
widest_dir() {
  (cd "$1" && find . -mindepth 1 -printf '%h\n') |
    awk '{ n[$0]++ } END { for (d in n) if (n[d] > m) { m = n[d]; w = d }; print m " entries in " w }'
}

count_files() { find "$1" -type f | wc -l; }

check_space() {
  local need_kb avail_kb copies=2
  # Peak beside the kept corpus: two 1x destinations at once, or one 4x destination.
  [ $X4 = 1 ] && copies=4
  need_kb=$(($(tree_kb "$SRC") * copies + 1048576))
  avail_kb=$(free_kb "$DATA")
  [ "$avail_kb" -ge "$need_kb" ] ||
    die "$DATA has $((avail_kb / 1024)) MB free, the run needs about $((need_kb / 1024)) MB"
}

# ---------------------------------------------------------------- measuring

# Command that warms the caches before a run, untimed: reads every file under
# DATA once, and the metadata of every entry under the further paths (the
# destination; the 4x tree's hard links, whose data DATA already holds).
warm() {
  local data=$1 meta="" p
  shift
  for p in "$@"; do meta+=" $(q "$p")"; done
  echo "find $(q "$data") -type f -print0 | xargs -0 -r cat >/dev/null &&" \
    "find$meta -printf '%s ' >/dev/null"
}

# Command run before each timed run: RESET (may be empty) puts the
# destination back, then sync and warm the caches for DATA and META...
warm_prep() {
  local reset=$1
  shift
  echo "${reset:+$reset && }sync && $(warm "$@")"
}

# Before a cold run: nothing of either tree left in the page, dentry or inode caches.
cold_prep() { echo "sync && echo 3 > /proc/sys/vm/drop_caches"; }

# Times COMMAND RUNS times, PREPARE before each run (not timed), and appends
# one "key tool seconds peak_kb" line per run to the samples. Peak RSS comes
# from GNU time (the largest process of the command's tree). Called once per
# run for the rows whose tools take turns.
measure() {
  local key=$1 tool=$2 prepare=$3 command=$4 runs=${5:-$RUNS}
  local json=$RUN/json/$key-$tool.json rss=$RUN/rss/$key-$tool.kb log=$RUN/logs/$key-$tool.log
  : >"$rss"
  local timed saved
  timed="$GNU_TIME -f %M -a -o $(q "$rss") $command >>$(q "$log") 2>&1"
  echo "== $key $tool: $timed" >>"$RUN/hyperfine.log"
  if ! hyperfine --runs "$runs" --shell=bash --style basic --export-json "$json" \
      --prepare "$prepare" "$timed" >>"$RUN/hyperfine.log" 2>&1; then
    tail -n 20 "$RUN/hyperfine.log" >&2
    echo "-- last lines of $log:" >&2
    tail -n 20 "$log" >&2 || true
    saved=$DATA/failed-logs-$(date '+%Y%m%d-%H%M%S')
    mkdir -p -- "$saved" && cp -r -- "$RUN/logs" "$RUN/hyperfine.log" "$saved/"
    die "$tool failed in $key (logs saved in $saved)"
  fi
  python3 - "$json" "$rss" "$key" "$tool" >>"$SAMPLES" <<'PY'
import json, sys
times = json.load(open(sys.argv[1]))["results"][0]["times"]
kb = [int(l) for l in open(sys.argv[2]) if l.strip().isdigit()]
if len(kb) != len(times): sys.exit("run-bench: %d peak memory figures for %d runs" % (len(kb), len(times)))
for t, k in zip(times, kb):
    print("%s\t%s\t%.4f\t%d" % (sys.argv[3], sys.argv[4], t, k))
print("run-bench:   %-22s %-9s %s s, peak %s MB" % (sys.argv[3], sys.argv[4],
      " ".join("%.3f" % t for t in times), " ".join("%.1f" % (k / 1024) for k in kb)), file=sys.stderr)
PY
}

# Differences between a mirror and its source, the archive left out; the
# itemised list goes to the logs, two counts to the report: all entries that
# differ, and those whose data differ (missing, extra, other size or content,
# other link target) rather than only times, modes or owners.
verify() {
  local key=$1 tool=$2 src=$3 dst=$4 counts
  local list=$RUN/logs/$key-$tool.verify
  local opts=(-a -n -i --delete --exclude="/$ARCHIVE_NAME/")
  [ $VERIFY_DATA = 1 ] && opts+=(-c)
  # The root's own time is not part of the copy for every tool.
  rsync "${opts[@]}" "$src/" "$dst/" | grep -v '^\.d\.\.t\.* \./$' >"$list" || true
  counts=$(awk '{ n++ } /^\*deleting/ || substr($1, 3, 1) == "+" || substr($1, 3, 1) == "c" ||
                substr($1, 4, 1) == "s" { d++ } END { print n + 0, d + 0 }' "$list")
  printf '%s\t%s\t%s\n' "$key" "$tool" "${counts/ /$'\t'}" >>"$VERIFIED"
  if [ "${counts% *}" -gt 0 ]; then
    say "  $tool: ${counts% *} entries of $dst differ from $src, ${counts#* } in data (list in $list):"
    head -n 5 "$list" >&2
  fi
}

# System calls of one run of COMMAND... (strace -f -c, all threads and
# processes), after the same untimed warm-up as the timed runs.
count_calls() {
  local tool=$1 data=$2 dst=$3
  shift 3
  skipped strace && return
  bash -c "sync && $(warm "$data" "$dst")"
  strace -f -c -o "$RUN/strace-$tool.txt" "$@" >>"$RUN/logs/strace-$tool.log" 2>&1 ||
    die "$tool failed under strace (log in $RUN/logs/strace-$tool.log)"
}

# Settings file with one mirror SOURCE -> DESTINATION and no confirmations.
# The scan thread runs at normal priority like the peers unless PRIORITY is
# "default" (System idle, which yields to every other process).
qv_settings() {
  rm -f -- "$1" "$1-wal" "$1-shm" "$1-journal"
  "$CLI" mirror add --allow-missing "$2" "$3" --settings "$1" >/dev/null
  "$CLI" set Confirm false --settings "$1" >/dev/null
  [ "${4:-normal}" = default ] || "$CLI" set Priority 3 --settings "$1" >/dev/null
}

# Command that puts back a settings file saved by qv_settings in DIR/pristine.
reset_settings() {
  local f
  f=$(q "$1")
  echo "rm -f $f $f-wal $f-shm $f-journal && cp $(q "$(dirname "$1")/pristine/$(basename "$1")") $f"
}

# Command that scans with the settings file SETTINGS, further options after it.
qv_scan() { echo "$(q "$CLI") scan --settings $(q "$1")${2:+ $2}"; }

fresh_dst() { echo "rm -rf $(q "$1") && mkdir $(q "$1")"; }

# Each tool gets its own destination on the same file system; a snapshot of
# each mirrored state (hard links: every tool replaces changed files rather
# than writing into them) resets the destinations before each changed run.
run_1x() {
  local cpd=$RUN/cp.dst rsd=$RUN/rsync.dst qvd=$RUN/qv.dst bak=$RUN/rsync.backup
  local qvs=$RUN/qv.settings qvc=$RUN/qv-changed.settings qvi=$RUN/qv-idle.settings
  if [ $DRY = 0 ]; then
    mkdir -p -- "$RUN/pristine"
    qv_settings "$RUN/pristine/qv.settings" "$SRC" "$qvd"
    qv_settings "$RUN/pristine/qv-changed.settings" "$CHANGED" "$qvd"
    qv_settings "$qvi" "$SRC" "$qvd" default
  fi

  say "first mirror"
  measure first cp "$(warm_prep "$(fresh_dst "$cpd")" "$SRC" "$cpd")" "cp -a $(q "$SRC")/. $(q "$cpd")/"
  verify first cp "$SRC" "$cpd"
  rm -rf -- "$cpd"
  measure first rsync "$(warm_prep "$(fresh_dst "$rsd")" "$SRC" "$rsd")" \
    "rsync -a --delete $(q "$SRC")/ $(q "$rsd")/"
  verify first rsync "$SRC" "$rsd"
  if [ $DRY = 0 ]; then
    measure first quorvane "$(warm_prep "$(fresh_dst "$qvd") && $(reset_settings "$qvs")" "$SRC" "$qvd")" \
      "$(qv_scan "$qvs")"
    verify first quorvane "$SRC" "$qvd"
  fi

  cp -al -- "$rsd" "$RUN/rsync.snap"
  [ $DRY = 1 ] || cp -al -- "$qvd" "$RUN/qv.snap"
  run_nochange "$rsd" "$qvd" "$qvs" "$qvi"
  run_cold "$rsd" "$qvd" "$qvs"

  say "scan after 1% changed (old versions kept)"
  measure changed rsync \
    "$(warm_prep "rm -rf $(q "$rsd") $(q "$bak") && cp -al $(q "$RUN/rsync.snap") $(q "$rsd")" "$CHANGED" "$rsd")" \
    "rsync -a --delete --backup --backup-dir=$(q "$bak") $(q "$CHANGED")/ $(q "$rsd")/"
  verify changed rsync "$CHANGED" "$rsd"
  verify snapshot-after-changed rsync "$SRC" "$RUN/rsync.snap"
  printf 'rsync\t%s\n' "$(count_files "$bak")" >>"$ARCHIVED"
  if [ $DRY = 0 ]; then
    measure changed quorvane \
      "$(warm_prep "rm -rf $(q "$qvd") && cp -al $(q "$RUN/qv.snap") $(q "$qvd") && $(reset_settings "$qvc")" "$CHANGED" "$qvd")" \
      "$(qv_scan "$qvc")"
    verify changed quorvane "$CHANGED" "$qvd"
    verify snapshot-after-changed quorvane "$SRC" "$RUN/qv.snap"
    local kept=0
    [ -d "$qvd/$ARCHIVE_NAME" ] &&
      kept=$(find "$qvd/$ARCHIVE_NAME" -type f -not -path "$qvd/$ARCHIVE_NAME/Logs/*" | wc -l)
    printf 'quorvane\t%s\n' "$kept" >>"$ARCHIVED"
  fi
  rm -rf -- "$rsd" "$bak" "$RUN/rsync.snap" "$qvd" "$RUN/qv.snap"
}

# The mirrored destinations rescanned with nothing changed: the timed runs,
# quorvane at its default priority and without read-ahead, and the system
# call counts.
run_nochange() {
  local rsd=$1 qvd=$2 qvs=$3 qvi=$4
  say "scan with nothing changed"
  measure nochange rsync "$(warm_prep "" "$SRC" "$rsd")" "rsync -a --delete $(q "$SRC")/ $(q "$rsd")/"
  verify nochange rsync "$SRC" "$rsd"
  count_calls rsync "$SRC" "$rsd" rsync -a --delete "$SRC/" "$rsd/"
  [ $DRY = 1 ] && return
  measure nochange quorvane "$(warm_prep "" "$SRC" "$qvd")" "$(qv_scan "$qvs")"
  verify nochange quorvane "$SRC" "$qvd"
  count_calls quorvane "$SRC" "$qvd" "$CLI" scan --settings "$qvs"
  measure nochange-idle quorvane "$(warm_prep "" "$SRC" "$qvd")" "$(qv_scan "$qvi")"
  verify nochange-idle quorvane "$SRC" "$qvd"
  skipped read-ahead && return
  measure nochange-no-read-ahead quorvane "$(warm_prep "" "$SRC" "$qvd")" \
    "$(qv_scan "$qvs" --no-read-ahead)"
  verify nochange-no-read-ahead quorvane "$SRC" "$qvd"
}

# Nothing changed, from cold caches; the tools take turns so that a drift in
# the machine's state spreads over both.
run_cold() {
  local rsd=$1 qvd=$2 qvs=$3 i
  skipped cold && return
  say "scan with nothing changed, cold caches"
  for ((i = 1; i <= RUNS; i++)); do
    [ $DRY = 1 ] || measure cold quorvane "$(cold_prep)" "$(qv_scan "$qvs")" 1
    measure cold rsync "$(cold_prep)" "rsync -a --delete $(q "$SRC")/ $(q "$rsd")/" 1
  done
  verify cold rsync "$SRC" "$rsd"
  [ $DRY = 1 ] || verify cold quorvane "$SRC" "$qvd"
}

# The 4x tree, in rounds: in each round every tool in turn mirrors into an
# empty destination, rescans it unchanged and after the change, and removes
# it; one 4x destination at a time. The link counts the 4x tree has make
# cp -a keep hard links, which neither rsync -a nor quorvane do, so cp runs
# with --no-preserve=links here.
run_x4() {
  local src=$RUN/x4 changed=$RUN/x4.changed dst=$RUN/x4.dst
  local rounds=$((RUNS > MIN_X4_ROUNDS ? RUNS : MIN_X4_ROUNDS)) i tool
  local tools=(quorvane rsync cp)
  [ $DRY = 1 ] && tools=(rsync cp)
  say "4x tree: $X4_FILES files, $rounds rounds"
  link_x4 "$SRC" "$src"
  link_x4 "$CHANGED" "$changed"
  if [ $DRY = 0 ]; then
    qv_settings "$RUN/pristine/qv-x4.settings" "$src" "$dst"
    qv_settings "$RUN/pristine/qv-x4-changed.settings" "$changed" "$dst"
  fi
  for ((i = 1; i <= rounds; i++)); do
    for tool in "${tools[@]}"; do "x4_$tool" "$src" "$changed" "$dst"; done
  done
  rm -rf -- "$src" "$changed"
}

x4_cp() {
  local src=$1 dst=$3
  measure first-x4 cp "$(warm_prep "$(fresh_dst "$dst")" "$SRC" "$src" "$dst")" \
    "cp -a --no-preserve=links $(q "$src")/. $(q "$dst")/" 1
  verify first-x4 cp "$src" "$dst"
  rm -rf -- "$dst"
}

x4_rsync() {
  local src=$1 changed=$2 dst=$3 bak=$RUN/x4.backup mirror
  mirror="rsync -a --delete $(q "$src")/ $(q "$dst")/"
  measure first-x4 rsync "$(warm_prep "$(fresh_dst "$dst")" "$SRC" "$src" "$dst")" "$mirror" 1
  measure nochange-x4 rsync "$(warm_prep "" "$SRC" "$src" "$dst")" "$mirror" 1
  measure changed-x4 rsync "$(warm_prep "rm -rf $(q "$bak")" "$CHANGED" "$changed" "$dst")" \
    "rsync -a --delete --backup --backup-dir=$(q "$bak") $(q "$changed")/ $(q "$dst")/" 1
  verify changed-x4 rsync "$changed" "$dst"
  rm -rf -- "$dst" "$bak"
}

x4_quorvane() {
  local src=$1 changed=$2 dst=$3
  local qvs=$RUN/qv-x4.settings qvc=$RUN/qv-x4-changed.settings
  measure first-x4 quorvane \
    "$(warm_prep "$(fresh_dst "$dst") && $(reset_settings "$qvs")" "$SRC" "$src" "$dst")" "$(qv_scan "$qvs")" 1
  measure nochange-x4 quorvane "$(warm_prep "" "$SRC" "$src" "$dst")" "$(qv_scan "$qvs")" 1
  measure changed-x4 quorvane \
    "$(warm_prep "$(reset_settings "$qvc")" "$CHANGED" "$changed" "$dst")" "$(qv_scan "$qvc")" 1
  verify changed-x4 quorvane "$changed" "$dst"
  rm -rf -- "$dst"
}

# ---------------------------------------------------------------- report

write_info() {
  {
    echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "machine=$(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB RAM", $2 / 1048576 }' /proc/meminfo), Linux $(uname -r), $(findmnt -no FSTYPE -T "$DATA" 2>/dev/null || stat -f -c %T "$DATA") file system"
    echo "load=$LOAD at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
    echo "corpus=$SIZE: $(head -n 1 "$CORPUS/source.manifest")"
    echo "entries=$(sed -nE '1s/^entries=([0-9]+).*/\1/p' "$CORPUS/source.manifest")"
    echo "files=$FILES"
    echo "widest=$(widest_dir "$SRC")"
    echo "x4files=$X4_FILES"
    echo "mutation=$MUTATION"
    echo "runs=$RUNS"
    echo "dry=$DRY"
    echo "x4=$X4"
    echo "verify_data=$VERIFY_DATA"
    local qv=""
    [ $DRY = 1 ] || qv="; $("$CLI" --version) ($CLI)"
    echo "versions=$(cp --version | head -n 1); $(rsync --version | head -n 1 | awk '{ print $1, $2, $3 }'); $(hyperfine --version)$qv"
  } >"$INFO"
}

report() {
  python3 - "$INFO" "$SAMPLES" "$VERIFIED" "$ARCHIVED" "$SKIPS" "$RUN" <<'EOF_PY'
import os, statistics, sys
info = dict(l.rstrip("\n").split("=", 1) for l in open(sys.argv[1]))
samples = {}
for l in open(sys.argv[2]):
    key, tool, sec, kb = l.rstrip("\n").split("\t")
    samples.setdefault((key, tool), []).append((float(sec), int(kb) / 1024))
diffs = {}
for l in open(sys.argv[3]):
    key, tool, n, d = l.split()
    old = diffs.get((key, tool), (0, 0))
    diffs[key, tool] = (max(old[0], int(n)), max(old[1], int(d)))
archived = dict(l.split() for l in open(sys.argv[4]))
skips = dict(l.rstrip("\n").split("\t", 1) for l in open(sys.argv[5]))
run_dir = sys.argv[6]
dry, x4 = info["dry"] == "1", info["x4"] == "1"
entries = int(info["entries"])

def fig(values):
    return statistics.median(values), min(values), max(values)
def times(key, tool):
    s = samples.get((key, tool))
    return fig([t for t, _ in s]) if s else None
def mem(key, tool):
    s = samples.get((key, tool))
    return fig([m for _, m in s]) if s else None
def sec(key, tool):
    f = times(key, tool)
    return "%.2f s (%.2f-%.2f)" % f if f else "-"
def mb(key, tool):
    f = mem(key, tool)
    return "%.1f (%.1f-%.1f)" % f if f else "-"
# Ratio of medians; its range pairs the extremes (fastest over slowest and
# the reverse), so it holds every pair of runs.
def ratio(a, b):
    fa, fb = times(*a), times(*b)
    if not fa or not fb: return None
    return fa[0] / fb[0], fa[1] / fb[2], fa[2] / fb[1]
def show_ratio(r):
    return "%.2fx (%.2f-%.2f)" % r if r else "-"
def verdict(r, limit, unit="x"):
    if not r: return "not measured"
    med, lo, hi = r
    if hi <= limit: return "met"
    if med <= limit: return "met by the median; the range crosses %.2f%s" % (limit, unit)
    return "MISSED" + ("; the range crosses %.2f%s" % (limit, unit) if lo <= limit else "")

print("# Quorvane scan benchmark, %s\n" % info["date"])
print("- Machine: %s; load average %s" % (info["machine"], info["load"]))
print("- Corpus: %s; %s regular files; widest directory: %s" % (info["corpus"], "{:,}".format(int(info["files"])), info["widest"]))
print("- Changed run: %s" % info["mutation"])
print("- Warm runs: before every run of every tool, after `sync`, the run's source files are read once"
      " and the destination's metadata walked (untimed). Cold runs: `sync; echo 3 > /proc/sys/vm/drop_caches` before each run instead.")
print("- quorvane's scan runs at priority Normal like the peers, except in the default-priority row (System idle).")
print("- Each figure: median of %s runs (min-max); on the 4x tree and in the cold runs the tools take turns,"
      " elsewhere hyperfine runs each tool's runs back to back. Ratios: quorvane's median over the peer's;"
      " the range pairs quorvane's fastest run with the peer's slowest and the reverse." % info["runs"])
print("- Tools: %s" % info["versions"])
if dry: print("- **Dry run: peers only, quorvane-cli not run.**")
print()

def skipped_or(name, text):
    return "skipped: " + skips[name] if name in skips else text
rows = [  # title, key, cp key, rsync key, quorvane key
    ("First mirror", "first", "first", "first", "first"),
    ("Scan, nothing changed", "nochange", None, "nochange", "nochange"),
    ("Scan, nothing changed, quorvane at its default priority (System idle)", None, None, "nochange", "nochange-idle"),
    ("Scan, nothing changed, quorvane with `--no-read-ahead`", "read-ahead", None, "nochange", "nochange-no-read-ahead"),
    ("Scan, nothing changed, cold caches", "cold", None, "cold", "cold"),
    ("Scan, 1% changed, old versions kept", "changed", None, "changed", "changed"),
]
if x4:
    rows += [("4x tree: first mirror", "first-x4", "first-x4", "first-x4", "first-x4"),
             ("4x tree: nothing changed", "nochange-x4", None, "nochange-x4", "nochange-x4"),
             ("4x tree: 1% changed", "changed-x4", None, "changed-x4", "changed-x4")]
print("| Measurement | cp -a | rsync | quorvane | quorvane / rsync | quorvane / cp -a |")
print("|---|---|---|---|---|---|")
for title, skip, cpk, rsk, qvk in rows:
    if skip in skips:
        print("| %s | skipped: %s |||||" % (title, skips[skip])); continue
    rs_cell = sec(rsk, "rsync") if rsk == qvk else "as above"
    print("| %s | %s | %s | %s | %s | %s |" % (
        title, sec(cpk, "cp") if cpk else "-", rs_cell, sec(qvk, "quorvane"),
        show_ratio(ratio((qvk, "quorvane"), (rsk, "rsync"))),
        show_ratio(ratio((qvk, "quorvane"), (cpk, "cp"))) if cpk else "-"))
print()
print("Old versions kept by the changed run: rsync backup directory %s files, quorvane archive %s files." % (
    archived.get("rsync", "-"), archived.get("quorvane", "-")))
print()

one_x = ["first", "nochange", "nochange-idle", "nochange-no-read-ahead", "cold", "changed"]
peaks = [(mem(k, "quorvane"), k) for k in one_x if (k, "quorvane") in samples]
peak = max(peaks)[0] if peaks else None
print("## Targets\n")
print("| Target | quorvane | verdict |")
print("|---|---|---|")
for title, r, limit, skip in (
        ("Nothing changed <= 0.35x `rsync -a --delete`", ratio(("nochange", "quorvane"), ("nochange", "rsync")), 0.35, None),
        ("1% changed <= 0.45x `rsync --backup --backup-dir`", ratio(("changed", "quorvane"), ("changed", "rsync")), 0.45, None),
        ("First mirror <= 1.0x `cp -a`", ratio(("first", "quorvane"), ("first", "cp")), 1.0, None),
        ("First mirror on the 4x tree <= 1.0x rsync", ratio(("first-x4", "quorvane"), ("first-x4", "rsync")), 1.0, None if x4 else "x4"),
        ("Cold, nothing changed <= 0.7x rsync", ratio(("cold", "quorvane"), ("cold", "rsync")), 0.7, "cold")):
    if skip == "x4": print("| %s | skipped: --no-x4 given | |" % title); continue
    if skip in skips: print("| %s | skipped: %s | |" % (title, skips[skip])); continue
    print("| %s | %s | %s |" % (title, show_ratio(r), verdict(r, limit)))
print("| Peak memory <= 30 MB on the corpus (largest of quorvane's runs above) | %s | %s |" % (
    "%.1f MB (%.1f-%.1f)" % peak if peak else "-", verdict(peak, 30, " MB")))
print()

print("## Peak memory (RSS of the largest process, MB, median (min-max))\n")
keys = one_x + (["first-x4", "nochange-x4", "changed-x4"] if x4 else [])
names = {"first": "first mirror", "nochange": "nothing changed", "nochange-idle": "default priority",
         "nochange-no-read-ahead": "no read-ahead", "cold": "cold", "changed": "1% changed",
         "first-x4": "first 4x", "nochange-x4": "nothing changed 4x", "changed-x4": "1% changed 4x"}
print("| Tool | " + " | ".join(names[k] for k in keys) + " |")
print("|---|" + "---|" * len(keys))
for tool in ("cp", "rsync", "quorvane"):
    print("| %s | %s |" % ("cp -a" if tool == "cp" else tool, " | ".join(mb(k, tool) for k in keys)))
print()
if "read-ahead" in skips:
    print("Read-ahead window: skipped: %s." % skips["read-ahead"])
elif ("nochange-no-read-ahead", "quorvane") in samples:
    on, off = mem("nochange", "quorvane"), mem("nochange-no-read-ahead", "quorvane")
    print("Read-ahead window: a no-change scan peaks at %.1f MB (%.1f-%.1f) with read-ahead and %.1f MB (%.1f-%.1f)"
          " without; the window takes about %.1f MB (%.1f to %.1f)." % (*on, *off, on[0] - off[0], on[1] - off[2], on[2] - off[1]))
if x4 and ("first-x4", "quorvane") in samples:
    print()
    print("4x tree: %s files, four copies of the corpus one level down (same widest directory)."
          " Memory should follow the widest directory, not the tree (4x / 1x well below 4; judged met below 1.5):\n" % "{:,}".format(int(info["x4files"])))
    print("| Scan | peak MB 1x | peak MB 4x | 4x / 1x | verdict |")
    print("|---|---|---|---|---|")
    for k in ("first", "nochange", "changed"):
        a, b = mem(k, "quorvane"), mem(k + "-x4", "quorvane")
        if a and b:
            r = (b[0] / a[0], b[1] / a[2], b[2] / a[1])
            print("| %s | %s | %s | %s | %s |" % (names[k], mb(k, "quorvane"), mb(k + "-x4", "quorvane"),
                                                  show_ratio(r), verdict(r, 1.5)))
print()

print("## System calls of one no-change scan (`strace -f -c`, futex left out)\n")
def calls(tool):
    counts = {}
    for l in open(os.path.join(run_dir, "strace-%s.txt" % tool)):
        f = l.split()
        if len(f) >= 5 and f[3].isdigit() and f[-1] != "total":
            counts[f[-1]] = counts.get(f[-1], 0) + int(f[3])
    return counts
if "strace" in skips:
    print("Skipped: %s." % skips["strace"])
else:
    print("| Tool | system calls | per source entry (%s entries) | top 5 | futex |" % "{:,}".format(entries))
    print("|---|---|---|---|---|")
    for tool in ("rsync", "quorvane"):
        if not os.path.exists(os.path.join(run_dir, "strace-%s.txt" % tool)): continue
        c = calls(tool)
        futex = c.pop("futex", 0)
        total = sum(c.values())
        top = sorted(c.items(), key=lambda kv: -kv[1])[:5]
        print("| %s | %s | %.2f | %s | %s |" % (tool, "{:,}".format(total), total / entries,
              ", ".join("%s %s" % (n, "{:,}".format(v)) for n, v in top), "{:,}".format(futex)))
print()

bad = {k: n for k, n in diffs.items() if n[0]}
print("Mirrors checked against their sources after each measurement (presence, sizes, %stimes, modes, owners, link targets; archive left out): %s" % (
    "contents, " if info["verify_data"] == "1" else "",
    "all equal." if not bad else "; ".join("%s %s: %d entries differ, %d in data" % (t, k, n, d) for (k, t), (n, d) in sorted(bad.items()))))
# A snapshot was taken of the state the first mirror left; it must still
# show exactly the differences that the no-change check found.
if any(diffs.get(("snapshot-after-changed", t)) not in (None, diffs.get(("nochange", t)))
       for t in ("quorvane", "rsync")):
    print("A snapshot differs after the changed runs: that tool wrote into a hard-linked file, so its changed runs after the first started from a wrong state.")
EOF_PY
}

# ---------------------------------------------------------------- main

cleanup() {
  [ -n "${RUN:-}" ] && [ -d "$RUN" ] || return 0
  if [ $KEEP = 1 ]; then say "kept $RUN"; else rm -rf -- "$RUN"; fi
}

main() {
  parse_args "$@"
  check_tools
  mkdir -p -- "$DATA"
  DATA=$(realpath "$DATA")
  SIZE=full
  [ $SMALL = 1 ] && SIZE=small
  prepare_corpus
  check_space
  FILES=$(count_files "$SRC")
  X4_FILES=$((FILES * 4))
  [ $SMALL = 1 ] || [ "$FILES" -ge 100000 ] ||
    say "warning: the corpus has only $FILES regular files (wanted at least 100,000)"
  MUTATION="make-corpus.sh mutate $(sed -E 's/^mutated [^ ]+ //' "$CORPUS/mutate.summary")"

  RUN=$DATA/run-$SIZE-$$
  trap cleanup EXIT
  trap 'exit 130' INT TERM
  mkdir -p -- "$RUN/json" "$RUN/rss" "$RUN/logs"
  SAMPLES=$RUN/samples.tsv VERIFIED=$RUN/verified.tsv ARCHIVED=$RUN/archived.tsv
  SKIPS=$RUN/skipped.tsv INFO=$RUN/info
  : >"$SAMPLES"; : >"$VERIFIED"; : >"$ARCHIVED"; : >"$SKIPS"

  LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
  awk -v n="$(nproc)" '{ exit !($1 > n / 4) }' /proc/loadavg &&
    say "warning: load average $LOAD on $(nproc) cores; other work will make the timings noisy"
  check_optional
  run_1x
  [ $X4 = 0 ] || run_x4
  write_info

  local out
  out=$DATA/results-$(date '+%Y%m%d-%H%M%S')-$SIZE
  [ $DRY = 1 ] && out+=-dry
  out+=.md
  report | tee "$out"
  say "results written to $out"
  if awk '$4 > 0 { found = 1 } END { exit !found }' "$VERIFIED"; then exit 1; fi
}

main "$@"
