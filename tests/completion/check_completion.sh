#!/bin/bash
# The shells' completion scripts: the bash function, driven as bash drives it,
# completes names with blanks and quoted words as one word each; the zsh
# script parses. Exits 77 (skipped) when zsh is missing, unless
# QUORVANE_REQUIRE_VALIDATORS is set.
#   check_completion.sh QUORVANE_CLI SOURCE_DIR
set -euo pipefail
cli=$1 source=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "completion: $*" >&2; exit 1; }

mkdir -p "$dir/src" "$dir/my dest/Quorvane archive/2026/12/01/18 00 05" \
  "$dir/mine/Quorvane archive/2026/11/30/09 00 00"
"$cli" mirror add "$dir/src" "$dir/my dest" --settings "$dir/s.db" >/dev/null
"$cli" mirror add --allow-missing "$dir/src2" "$dir/mine" --settings "$dir/s.db" >/dev/null

# Runs the bash function on the words after the program's name, the last one
# being completed, and expects the candidates (sorted, joined by "|").
check() {
  local expected=$1 got
  shift
  got=$(bash -c 'source "$1/dist/completion/quorvane-cli.bash"
    COMP_WORDS=("$2" --settings "$3" "${@:4}")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _quorvane_cli
    printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd "|"' _ "$source" "$cli" "$dir/s.db" "$@")
  [ "$got" = "$expected" ] || fail "$*: got [$got], expected [$expected]"
}

escaped=${dir// /\\ }
check "$dir/my dest/" mirror remove "$dir/my"
check "$dir/my dest/" mirror remove "'$dir/my d"
check "$dir/my dest/" mirror remove "\"$dir/my d"
check "$dir/my dest/" mirror remove "$escaped/my\\ d"
check "2026/12/01/18 00 05" restore "$escaped/my\\ dest/a\\ file" --at ""
check "$dir/mine/|$dir/my dest/" scan "$dir/m"
check "" mirror add "$dir/src" ""

if ! command -v zsh >/dev/null; then
  [ -z "${QUORVANE_REQUIRE_VALIDATORS:-}" ] || fail "zsh is missing"
  echo "completion: skipped the zsh syntax check: zsh is not installed" >&2
  exit 77
fi
zsh -n "$source/dist/completion/_quorvane-cli" || fail "the zsh script does not parse"
