#!/usr/bin/env bash
# Every command and long option that the programs' help names is described in
# their man pages. The commands are found by walking quorvane-cli --help and
# each group's and command's --help; a command's options must appear in its
# own section of the page. quorvane --help and --version must print and exit
# without a display and without touching the single-instance socket.
# Exits 77 (skipped) when the pages were not built (no scdoc).
#   check_man.sh SOURCE_DIR BUILD_DIR CLI [GUI]
set -euo pipefail
source_dir=$1 build_dir=$2 cli=$3 gui=${4:-}
failed=0
fail() { echo "man: $*" >&2; failed=1; }
[ -f "$build_dir/quorvane-cli.1.gz" ] || { echo "man: no man pages built (no scdoc)"; exit 77; }

# The section of a page's source that describes a command: from the line at
# column 0 that names it in bold to the next such line or heading.
section() {
  awk -v name="*$2*" '/^[*#]/ { on = index($0, name) > 0 } on' "$source_dir/$1.1.scd"
}
# Whether an option is described in text, in bold ("*--wait=*" too).
describes() { grep -qE -- "\\*$2[*=]" <<<"$1"; }

subcommands() {
  "$cli" "$@" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'
}
# The long options of a command, less those every command takes.
options() {
  "$cli" "$@" --help | sed -n '/^Options:/,/^$/p' | grep -oE '^  (-[A-Za-z],)?--[a-z-]+' |
    grep -oE -- '--[a-z-]+' | grep -vxE -- '--(help|settings)' || true
}

cli_page=$(zcat "$build_dir/quorvane-cli.1.gz")
cli_source=$(cat "$source_dir/quorvane-cli.1.scd")
commands=0
walk() {
  local subs
  subs=$(subcommands "$@")
  if [ -n "$subs" ]; then
    for sub in $subs; do walk "$@" "$sub"; done
    return
  fi
  local path="$*" text
  commands=$((commands + 1))
  text=$(section quorvane-cli "$path")
  [ -n "$text" ] || { fail "quorvane-cli $path: no section in quorvane-cli.1"; return; }
  grep -qF "$path" <<<"$cli_page" || fail "quorvane-cli $path: not in the built page"
  for option in $(options "$@"); do
    describes "$text" "$option" || fail "quorvane-cli $path $option: not in its section"
  done
}
walk
[ "$commands" -gt 10 ] || fail "only $commands commands found in quorvane-cli --help"
for option in --settings --help --version $(options); do
  describes "$cli_source" "$option" || fail "quorvane-cli $option: not in quorvane-cli.1"
done

if [ -n "$gui" ]; then
  runtime=$(mktemp -d)
  trap 'rm -rf "$runtime"' EXIT
  help=$(env -i XDG_RUNTIME_DIR="$runtime" "$gui" --help) || fail "quorvane --help failed"
  version=$(env -i XDG_RUNTIME_DIR="$runtime" "$gui" -V) || fail "quorvane -V failed"
  [ "$version" = "$(env -i "$gui" --version)" ] && [[ $version == "quorvane "* ]] ||
    fail "quorvane -V and --version print \"$version\""
  [ -z "$(ls -A "$runtime")" ] || fail "quorvane --help or --version touched XDG_RUNTIME_DIR"
  gui_source=$(cat "$source_dir/quorvane.1.scd")
  options=$(grep -oE -- '(^|[ ,])(--[a-z-]+=?|/[A-Z?]+=?)' <<<"$help" | tr -d ' ,' | sort -u)
  [ "$(wc -w <<<"$options")" -gt 8 ] || fail "too few options in quorvane --help: $options"
  for option in $options; do
    describes "$gui_source" "$(sed 's/[?]/[?]/; s/=$//' <<<"$option")" ||
      fail "quorvane $option: not in quorvane.1"
  done
  [ -f "$build_dir/quorvane.1.gz" ] || fail "quorvane.1.gz not built"
fi
[ "$failed" = 0 ] || exit 1
echo "man: $commands commands of quorvane-cli and their options described${gui:+; quorvane too}"
