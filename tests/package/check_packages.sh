#!/usr/bin/env bash
# Unpacks the Debian packages cpack built and checks them as dpkg, desktops,
# man and the shells see them: the control fields, every file where its
# reader looks, no file in both packages, root-owned files with plain modes,
# reproducible gzip files, the copyright and changelog Debian wants, and the
# unpacked quorvane-cli runs. Reports every fault before it fails.
#   check_packages.sh SOURCE_DIR PACKAGE_DIR VERSION
set -euo pipefail
source=$1 packages=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
faults=0
fault() { echo "package: $*" >&2; faults=$((faults + 1)); }

# The packages' version is the changelog's newest: upstream-revision.
deb_version=$(sed -n '1s/^quorvane (\([^)]*\)).*/\1/p' "$source/dist/debian/changelog")
[[ $deb_version == "$version"-* ]] ||
  fault "dist/debian/changelog's newest entry is '$deb_version', not $version-REVISION"
arch=$(dpkg --print-architecture)

# What each package must hold, under its root.
expected_quorvane_cli() {
  echo usr/bin/quorvane-cli
  echo usr/share/man/man1/quorvane-cli.1.gz
  echo usr/share/bash-completion/completions/quorvane-cli
  echo usr/share/zsh/vendor-completions/_quorvane-cli
  echo usr/lib/systemd/user/quorvane-scan.service
  echo usr/lib/systemd/user/quorvane-scan.timer
  echo usr/share/doc/quorvane-cli/examples/quorvane-scan-system.service
}
expected_quorvane() {
  echo usr/bin/quorvane
  echo usr/share/man/man1/quorvane.1.gz
  echo usr/share/applications/quorvane.desktop
  echo usr/share/metainfo/org.quorvane.quorvane.metainfo.xml
  (cd "$source/docs" && find . -type f | sed 's|^\./|usr/share/quorvane/documentation/|')
  for png in "$source"/ui/icons/png/MAINICON-*.png; do
    size=${png##*-} size=${size%.png}
    echo "usr/share/icons/hicolor/${size}x${size}/apps/quorvane.png"
  done
  echo usr/share/icons/hicolor/scalable/apps/quorvane.svg
}

# A control field of the package $deb.
field() { dpkg-deb -f "$deb" "$1"; }

# $1: package name. Checks its control fields, listing and files; leaves the
# tree in $work/$1 and its files in $work/$1.files.
check_package() {
  local name=$1 deb root depends missing out
  deb=$packages/${name}_${deb_version}_$arch.deb
  [ -f "$deb" ] || { fault "no $deb"; return; }
  [ "$(field Package)" = "$name" ] || fault "$name: Package is '$(field Package)'"
  [ "$(field Version)" = "$deb_version" ] || fault "$name: Version is '$(field Version)'"
  [ "$(field Priority)" = optional ] || fault "$name: Priority is '$(field Priority)'"
  # A synopsis line and an extended description of more lines.
  [ "$(field Description | wc -l)" -ge 3 ] || fault "$name: no extended Description"
  depends=$(field Depends)
  grep -qE '(^|, )libc6( |,|$)' <<<"$depends" || fault "$name: Depends lacks libc6: $depends"
  case $name in
    quorvane-cli) ! grep -qi 'libqt' <<<"$depends" || fault "$name depends on Qt: $depends" ;;
    quorvane)
      grep -qF "quorvane-cli (= $deb_version)" <<<"$depends" ||
        fault "$name does not depend on quorvane-cli (= $deb_version): $depends"
      grep -q 'libqt6widgets6' <<<"$depends" || fault "$name's Depends lacks Qt: $depends" ;;
  esac

  # Root-owned; directories and programs 0755, everything else 0644.
  dpkg-deb -c "$deb" | awk -v name="$name" '
    $2 != "root/root" { print name ": " $6 " is owned by " $2; next }
    $1 ~ /^d/ { if ($1 != "drwxr-xr-x") print name ": " $6 " has mode " $1; next }
    $6 ~ /^\.\/usr\/bin\// { if ($1 != "-rwxr-xr-x") print name ": " $6 " has mode " $1; next }
    $1 != "-rw-r--r--" { print name ": " $6 " has mode " $1 }' >"$work/modes"
  while read -r line; do fault "$line"; done <"$work/modes"

  root=$work/$name
  dpkg-deb -x "$deb" "$root"
  (cd "$root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/$name.files"
  missing=$( { "expected_${name//-/_}"; echo "usr/share/doc/$name/copyright"
               echo "usr/share/doc/$name/changelog.Debian.gz"; } | sort | comm -23 - "$work/$name.files")
  [ -z "$missing" ] || fault "$name lacks:"$'\n'"$missing"

  # Installed files name installed paths, never the folders of the build.
  local built
  built=$(grep -rlF -e "$(cd "$source" && pwd)" -e _CPack_Packages "$root" | sed "s|^$root/||" || true)
  [ -z "$built" ] || fault "$name: these name the build's folders:"$'\n'"$built"

  local doc=$root/usr/share/doc/$name
  if [ -f "$doc/copyright" ]; then
    [ "$(head -1 "$doc/copyright")" = \
      "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
      fault "$name: the copyright file is not machine-readable"
  fi
  if [ -f "$doc/changelog.Debian.gz" ]; then
    [[ $(zcat "$doc/changelog.Debian.gz" | head -1) == "quorvane ($deb_version) "* ]] ||
      fault "$name: the changelog's newest entry is not $deb_version"
  fi
  # gzip -n: no file name (flag bit 3) and no time stamp (bytes 4-7).
  local gz header
  while IFS= read -r gz; do
    header=$(od -An -tu1 -N8 "$root/$gz" | awk '{print $1, $2, int($4 / 8) % 2, $5 + $6 + $7 + $8}')
    [ "$header" = "31 139 0 0" ] || fault "$name: $gz is not gzipped with -n"
  done < <(grep '\.gz$' "$work/$name.files")
  local program
  while read -r program; do
    [[ $(file -b "$root/$program") == *", stripped"* ]] || fault "$name: $program is not stripped"
  done < <(grep '^usr/bin/' "$work/$name.files")
  if [ "$name" = quorvane-cli ]; then
    out=$("$root/usr/bin/quorvane-cli" --version 2>&1) || true
    [ "$out" = "quorvane-cli $version" ] || fault "the unpacked quorvane-cli --version says: $out"
  fi
}

check_package quorvane-cli
check_package quorvane
if [ -f "$work/quorvane-cli.files" ] && [ -f "$work/quorvane.files" ]; then
  while read -r path; do fault "$path is in both packages"; done \
    < <(comm -12 "$work/quorvane-cli.files" "$work/quorvane.files")
fi

[ "$faults" -eq 0 ] || { echo "package: $faults faults" >&2; exit 1; }
echo "package: quorvane-cli and quorvane $deb_version: every file in place"
