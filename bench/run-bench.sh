#!/usr/bin/env bash
# Times quorvane-cli against cp -a and rsync on a corpus of real files and
# reports medians, ratios and peak memory as a markdown table.
#
#   bench/run-bench.sh [--data DIR] [--small] [--dry] [--runs N] [--no-x4]
#                      [--verify-data] [--keep] [--rebuild] [--cli PATH]
#
#   --data DIR     work directory, outside the repository (default $BENCH_DATA,
#                  else /var/tmp/quorvane-bench). The corpus is built there once
#                  and reused; destinations go to DIR/run-* and are removed at exit.
#   --small        quick check on /usr/include (about 10k entries) instead of the
#                  full corpus (about 135k entries, 1.5 GB).
#   --dry          run the peers only; quorvane-cli is not needed.
#   --runs N       timed repetitions per measurement (default 3); medians reported.
#   --no-x4        skip the memory run on a tree with 4x the files (it writes a
#                  second destination of 4x the corpus size, one tool at a time).
#   --verify-data  compare file contents after each mirror (rsync -c), not only
#                  sizes, times, modes and owners.
#   --keep         keep the destinations and logs in DIR/run-* after the run.
#   --rebuild      build the corpus again even when DIR holds one.
#   --cli PATH     quorvane-cli to test (default $QUORVANE_CLI, else
#                  build/cli/quorvane-cli of this repository, as ./run tests builds it).
#
# Needs rsync, hyperfine, GNU time and python3:
#   apt-get install rsync hyperfine time python3
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

DATA=${BENCH_DATA:-/var/tmp/quorvane-bench}
SMALL=0 DRY=0 RUNS=3 X4=1 VERIFY_DATA=0 KEEP=0 REBUILD=0
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

# Reads every file once so that all tools run from a warm page cache.
warm_cache() {
  say "warming the page cache (reading both trees once)"
  find "$SRC" "$CHANGED" -type f -print0 | xargs -0 -r cat >/dev/null
}

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

# Times COMMAND RUNS times, PREPARE before each run (not timed), and appends
# "key tool median min max peak_kb runs" to the results. Peak RSS comes from
# GNU time (the largest process of the command's tree).
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
  python3 - "$json" "$rss" "$key" "$tool" "$runs" >>"$RESULTS" <<'EOF'
import json, statistics, sys
res = json.load(open(sys.argv[1]))["results"][0]
kb = [int(l) for l in open(sys.argv[2]) if l.strip().isdigit()]
print("\t".join([sys.argv[3], sys.argv[4], "%.3f" % res["median"], "%.3f" % res["min"],
                 "%.3f" % res["max"], str(int(statistics.median(kb))) if kb else "", sys.argv[5]]))
EOF
  tail -n 1 "$RESULTS" | awk -F'\t' '{ printf "run-bench:   %-14s %-8s %7.3f s (min %.3f, max %.3f), peak %.1f MB\n",
    $1, $2, $3, $4, $5, $6 / 1024 }' >&2
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

# Settings file with one mirror SOURCE -> DESTINATION and no confirmations.
# The scan thread runs at normal priority like the peers (the default,
# "System idle", yields to every other process).
qv_settings() {
  rm -f -- "$1" "$1-wal" "$1-shm" "$1-journal"
  "$CLI" mirror add --allow-missing "$2" "$3" --settings "$1" >/dev/null
  "$CLI" set Confirm false --settings "$1" >/dev/null
  "$CLI" set Priority 3 --settings "$1" >/dev/null
}

# Command that puts back a settings file saved by qv_settings in DIR/pristine.
reset_settings() {
  local f
  f=$(q "$1")
  echo "rm -f $f $f-wal $f-shm $f-journal && cp $(q "$(dirname "$1")/pristine/$(basename "$1")") $f"
}

# Command that scans with the settings file SETTINGS.
qv_scan() { echo "$(q "$CLI") scan --settings $(q "$1")"; }

fresh_dst() { echo "rm -rf $(q "$1") && mkdir $(q "$1") && sync"; }

# Each tool gets its own destination on the same file system; a snapshot of
# each mirrored state (hard links: every tool replaces changed files rather
# than writing into them) resets the destinations before each changed run.
run_1x() {
  local cpd=$RUN/cp.dst rsd=$RUN/rsync.dst qvd=$RUN/qv.dst bak=$RUN/rsync.backup
  local qvs=$RUN/qv.settings qvc=$RUN/qv-changed.settings
  if [ $DRY = 0 ]; then
    mkdir -p -- "$RUN/pristine"
    qv_settings "$RUN/pristine/qv.settings" "$SRC" "$qvd"
    qv_settings "$RUN/pristine/qv-changed.settings" "$CHANGED" "$qvd"
  fi

  say "first mirror"
  measure first cp "$(fresh_dst "$cpd")" "cp -a $(q "$SRC")/. $(q "$cpd")/"
  verify first cp "$SRC" "$cpd"
  rm -rf -- "$cpd"
  measure first rsync "$(fresh_dst "$rsd")" "rsync -a --delete $(q "$SRC")/ $(q "$rsd")/"
  verify first rsync "$SRC" "$rsd"
  if [ $DRY = 0 ]; then
    measure first quorvane "$(fresh_dst "$qvd") && $(reset_settings "$qvs")" \
      "$(qv_scan "$qvs")"
    verify first quorvane "$SRC" "$qvd"
  fi

  say "scan with nothing changed"
  cp -al -- "$rsd" "$RUN/rsync.snap"
  measure nochange rsync "sync" "rsync -a --delete $(q "$SRC")/ $(q "$rsd")/"
  verify nochange rsync "$SRC" "$rsd"
  if [ $DRY = 0 ]; then
    cp -al -- "$qvd" "$RUN/qv.snap"
    measure nochange quorvane "sync" "$(qv_scan "$qvs")"
    verify nochange quorvane "$SRC" "$qvd"
  fi

  say "scan after 1% changed (old versions kept)"
  measure changed rsync \
    "rm -rf $(q "$rsd") $(q "$bak") && cp -al $(q "$RUN/rsync.snap") $(q "$rsd") && sync" \
    "rsync -a --delete --backup --backup-dir=$(q "$bak") $(q "$CHANGED")/ $(q "$rsd")/"
  verify changed rsync "$CHANGED" "$rsd"
  verify snapshot-after-changed rsync "$SRC" "$RUN/rsync.snap"
  printf 'rsync\t%s\n' "$(count_files "$bak")" >>"$ARCHIVED"
  if [ $DRY = 0 ]; then
    measure changed quorvane \
      "rm -rf $(q "$qvd") && cp -al $(q "$RUN/qv.snap") $(q "$qvd") && $(reset_settings "$qvc") && sync" \
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

# One run of each scan on the 4x tree, one tool at a time, to show how peak
# memory follows the tree size.
run_x4() {
  local src=$RUN/x4 changed=$RUN/x4.changed dst=$RUN/x4.dst bak=$RUN/x4.backup
  say "4x tree: $X4_FILES files (one run each)"
  link_x4 "$SRC" "$src"
  link_x4 "$CHANGED" "$changed"
  measure first-x4 rsync "$(fresh_dst "$dst")" "rsync -a --delete $(q "$src")/ $(q "$dst")/" 1
  measure nochange-x4 rsync "sync" "rsync -a --delete $(q "$src")/ $(q "$dst")/" 1
  measure changed-x4 rsync "rm -rf $(q "$bak") && sync" \
    "rsync -a --delete --backup --backup-dir=$(q "$bak") $(q "$changed")/ $(q "$dst")/" 1
  verify changed-x4 rsync "$changed" "$dst"
  rm -rf -- "$dst" "$bak"
  [ $DRY = 1 ] || run_x4_quorvane "$src" "$changed" "$dst"
  rm -rf -- "$src" "$changed"
}

run_x4_quorvane() {
  local src=$1 changed=$2 dst=$3
  local qvs=$RUN/qv-x4.settings qvc=$RUN/qv-x4-changed.settings
  qv_settings "$qvs" "$src" "$dst"
  qv_settings "$qvc" "$changed" "$dst"
  measure first-x4 quorvane "$(fresh_dst "$dst")" "$(qv_scan "$qvs")" 1
  measure nochange-x4 quorvane "sync" "$(qv_scan "$qvs")" 1
  measure changed-x4 quorvane "sync" "$(qv_scan "$qvc")" 1
  verify changed-x4 quorvane "$changed" "$dst"
  rm -rf -- "$dst"
}

# ---------------------------------------------------------------- report

write_info() {
  {
    echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "machine=$(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB RAM", $2 / 1048576 }' /proc/meminfo), Linux $(uname -r), $(findmnt -no FSTYPE -T "$DATA" 2>/dev/null || stat -f -c %T "$DATA") file system, load average at start $LOAD"
    echo "corpus=$SIZE: $(head -n 1 "$CORPUS/source.manifest")"
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
  python3 - "$INFO" "$RESULTS" "$VERIFIED" "$ARCHIVED" <<'EOF'
import sys
info = dict(l.rstrip("\n").split("=", 1) for l in open(sys.argv[1]))
res = {}
for l in open(sys.argv[2]):
    key, tool, med, lo, hi, kb, runs = l.rstrip("\n").split("\t")
    res[key, tool] = dict(med=float(med), lo=float(lo), hi=float(hi), mb=int(kb) / 1024 if kb else None)
diffs = {}
for l in open(sys.argv[3]):
    key, tool, n, d = l.split()
    diffs[key, tool] = (int(n), int(d))
archived = dict(l.split() for l in open(sys.argv[4]))
dry = info["dry"] == "1"

def sec(key, tool):
    r = res.get((key, tool))
    return "%.2f s (%.2f-%.2f)" % (r["med"], r["lo"], r["hi"]) if r else "-"
def mb(key, tool):
    r = res.get((key, tool))
    return "%.1f" % r["mb"] if r and r["mb"] is not None else "-"
def ratio(key, tool, peer):
    a, b = res.get((key, tool)), res.get((key, peer))
    return a["med"] / b["med"] if a and b else None
def verdict(value, limit):
    if value is None: return "not measured"
    return "%.2fx, %s (target <= %.1fx)" % (value, "met" if value <= limit else "MISSED", limit)

print("# Quorvane scan benchmark, %s\n" % info["date"])
print("- Machine: %s" % info["machine"])
print("- Corpus: %s; %s regular files; widest directory: %s" % (info["corpus"], "{:,}".format(int(info["files"])), info["widest"]))
print("- Changed run: %s" % info["mutation"])
print("- Warm cache: every source file was read once before the first measurement;"
      " each destination is on the same file system as the sources; `sync` before each run (not timed).")
print("- Each figure: median of %s runs (min-max); peak RSS is the median of the runs' largest process." % info["runs"])
print("- Tools: %s" % info["versions"])
if dry: print("- **Dry run: peers only, quorvane-cli not run.**")
print()
print("| Measurement | cp -a | rsync | quorvane | quorvane / peer |")
print("|---|---|---|---|---|")
vs_rsync = ratio("first", "quorvane", "rsync")
print("| First mirror | %s | %s | %s | %s |" % (
    sec("first", "cp"), sec("first", "rsync"), sec("first", "quorvane"),
    "not measured" if vs_rsync is None else "%s vs cp -a; %.2fx vs rsync" % (
        verdict(ratio("first", "quorvane", "cp"), 1.2), vs_rsync)))
print("| Scan, nothing changed | - | %s | %s | %s |" % (
    sec("nochange", "rsync"), sec("nochange", "quorvane"), verdict(ratio("nochange", "quorvane", "rsync"), 1.0)))
print("| Scan, 1%% changed, old versions kept | - | %s | %s | %s |" % (
    sec("changed", "rsync"), sec("changed", "quorvane"), verdict(ratio("changed", "quorvane", "rsync"), 1.0)))
print()
print("Old versions kept by the changed run: rsync backup directory %s files, quorvane archive %s files." % (
    archived.get("rsync", "-"), archived.get("quorvane", "-")))
print()
print("## Peak memory (RSS, MB)\n")
print("| Tool | first mirror | nothing changed | 1% changed |" + (" first 4x | nothing changed 4x | 1% changed 4x |" if info["x4"] == "1" else ""))
print("|---|---|---|---|" + ("---|---|---|" if info["x4"] == "1" else ""))
for tool in ("cp", "rsync", "quorvane"):
    keys = ["first", "nochange", "changed"] + (["first-x4", "nochange-x4", "changed-x4"] if info["x4"] == "1" else [])
    print("| %s | %s |" % ("cp -a" if tool == "cp" else tool, " | ".join(mb(k, tool) for k in keys)))
print()
qv = [res[k, "quorvane"]["mb"] for k in ("first", "nochange", "changed") if (k, "quorvane") in res]
print("Target, quorvane below 100 MB on the %s-file tree: %s." % (
    "{:,}".format(int(info["files"])), "not measured" if not qv else "%.1f MB, %s" % (max(qv), "met" if max(qv) < 100 else "MISSED")))
if info["x4"] == "1":
    print()
    print("4x tree: %s files, four copies of the corpus one level down (same widest directory), one run each:\n" % "{:,}".format(int(info["x4files"])))
    print("| Tool | scan | time 1x | time 4x | peak MB 1x | peak MB 4x | memory 4x / 1x |")
    print("|---|---|---|---|---|---|---|")
    for tool in ("rsync", "quorvane"):
        for k, name in (("first", "first mirror"), ("nochange", "nothing changed"), ("changed", "1% changed")):
            a, b = res.get((k, tool)), res.get((k + "-x4", tool))
            if not a or not b: continue
            print("| %s | %s | %.2f s | %.2f s | %.1f | %.1f | %.2f |" % (
                tool, name, a["med"], b["med"], a["mb"], b["mb"], b["mb"] / a["mb"]))
    print()
    print("Target: quorvane's memory grows with the widest directory, not with the tree"
          " (4x / 1x well below 4; judged met below 1.5).")
print()
bad = {k: n for k, n in diffs.items() if n[0]}
print("Mirrors checked against their sources after each measurement (presence, sizes, %stimes, modes, owners, link targets; archive left out): %s" % (
    "contents, " if info["verify_data"] == "1" else "",
    "all equal." if not bad else "; ".join("%s %s: %d entries differ, %d in data" % (t, k, n, d) for (k, t), (n, d) in sorted(bad.items()))))
# A snapshot was taken of the state the no-change scan left; it must still
# show exactly the differences that scan's check found.
if any(diffs.get(("snapshot-after-changed", t)) not in (None, diffs.get(("nochange", t)))
       for t in ("quorvane", "rsync")):
    print("A snapshot differs after the changed runs: that tool wrote into a hard-linked file, so its changed runs after the first started from a wrong state.")
EOF
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
  RESULTS=$RUN/results.tsv VERIFIED=$RUN/verified.tsv ARCHIVED=$RUN/archived.tsv INFO=$RUN/info
  : >"$RESULTS"; : >"$VERIFIED"; : >"$ARCHIVED"

  LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
  awk -v n="$(nproc)" '{ exit !($1 > n / 4) }' /proc/loadavg &&
    say "warning: load average $LOAD on $(nproc) cores; other work will make the timings noisy"
  warm_cache
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
