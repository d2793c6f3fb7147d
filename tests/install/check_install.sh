#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks that every file is where
# its reader looks: the shell for the programs, the help opener for the help
# pages (../share/quorvane/documentation from the program), desktops for the
# entry, the icons and the metainfo, systemd for the units; nothing else is
# installed. Then the unit, desktop entry and metainfo validators must pass
# without a warning. Exits 77 (skipped) when a validator is missing, unless
# QUORVANE_REQUIRE_VALIDATORS is set.
#   check_install.sh CMAKE BUILD_DIR SOURCE_DIR GUI VERSION
set -euo pipefail
cmake=$1 build=$2 source=$3 gui=$4 version=$5
prefix=$(mktemp -d) runtime=$(mktemp -d)
trap 'rm -rf "$prefix" "$runtime"' EXIT
fail() { echo "install: $*" >&2; exit 1; }
missing=()
# Exits 77 naming the validators not installed, unless they are required.
skip_missing() {
  [ ${#missing[@]} -gt 0 ] || return 0
  [ -z "${QUORVANE_REQUIRE_VALIDATORS:-}" ] || fail "missing ${missing[*]}"
  echo "install: skipped the validators: ${missing[*]} not installed" \
    "(systemd, desktop-file-utils, appstream)" >&2
  exit 77
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share
hicolor=$share/icons/hicolor

# What must be installed, from the sources: with the GUI, every help page and
# one icon per drawn size.
expected() {
  echo bin/quorvane-cli
  echo lib/systemd/user/quorvane-scan.service
  echo lib/systemd/user/quorvane-scan.timer
  echo share/doc/quorvane-cli/examples/quorvane-scan-system.service
  echo share/doc/quorvane-cli/examples/quorvane-scan-system.timer
  echo share/bash-completion/completions/quorvane-cli
  echo share/zsh/vendor-completions/_quorvane-cli
  # The man pages, when scdoc built them.
  [ ! -f "$build/dist/man/quorvane-cli.1.gz" ] || echo share/man/man1/quorvane-cli.1.gz
  [ "$gui" = ON ] || return 0
  echo bin/quorvane
  [ ! -f "$build/dist/man/quorvane.1.gz" ] || echo share/man/man1/quorvane.1.gz
  (cd "$source/docs" && find . -type f | sed 's|^\./|share/quorvane/documentation/|')
  echo share/applications/quorvane.desktop
  echo share/metainfo/org.quorvane.quorvane.metainfo.xml
  for png in "$source"/ui/icons/png/MAINICON-*.png; do
    size=${png##*-} size=${size%.png}
    echo "share/icons/hicolor/${size}x${size}/apps/quorvane.png"
  done
  echo share/icons/hicolor/scalable/apps/quorvane.svg
}
diff -u <(expected | sort) <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort) ||
  fail "the installed files differ from the expected ones (- missing, + unexpected)"

for program in "$prefix"/bin/*; do [ -x "$program" ] || fail "$program is not executable"; done
[ "$("$prefix/bin/quorvane-cli" --version)" = "quorvane-cli $version" ] ||
  fail "the installed quorvane-cli does not run or print its version"

# The units against the installed tool their ExecStart= names; the user
# manager wants a runtime folder, not a running systemd. Documentation= names
# man pages that man finds only once installed system-wide.
if command -v systemd-analyze >/dev/null; then
  out=$(XDG_RUNTIME_DIR=$runtime systemd-analyze verify --man=no --user \
    "$prefix"/lib/systemd/user/quorvane-scan.{service,timer} 2>&1) && [ -z "$out" ] ||
    fail "systemd-analyze verify --user: $out"
  out=$(systemd-analyze verify --man=no \
    "$prefix"/share/doc/quorvane-cli/examples/quorvane-scan-system.{service,timer} 2>&1) &&
    [ -z "$out" ] || fail "systemd-analyze verify: $out"
else
  missing+=(systemd-analyze)
fi
[ "$gui" = ON ] || { skip_missing; echo "install: quorvane-cli alone, in place"; exit 0; }

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for icon in "$hicolor"/*x*/apps/quorvane.png; do
  dir=${icon#"$hicolor"/} dir=${dir%%/*}
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "${width}x$height" = "$dir" ] || fail "$icon is ${width}x$height"
done

entry=$share/applications/quorvane.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "Exec=$exec_line names no installed program"
icon_name=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$hicolor/scalable/apps/$icon_name.svg" ] || fail "Icon=$icon_name is not installed"
metainfo=$share/metainfo/org.quorvane.quorvane.metainfo.xml
grep -q '<id>org.quorvane.quorvane</id>' "$metainfo" ||
  fail "the metainfo's id is not its file's name"
grep -q "<release version=\"$version\"" "$metainfo" ||
  fail "the metainfo lists no release $version"

for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
skip_missing
# Both print hints and warnings yet exit 0: any output fails.
out=$(desktop-file-validate "$entry" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
# The whole tree: the metainfo with the desktop entry it launches.
out=$(appstreamcli validate-tree --no-net --pedantic "$prefix" 2>&1) || fail "appstreamcli: $out"
! grep -qE '^ *[EWIP]:' <<<"$out" || fail "appstreamcli: $out"
echo "install: every file in place; the units, $(basename "$entry") and $(basename "$metainfo")" \
  "valid"
