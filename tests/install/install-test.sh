#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a throw-away root and runs the
# installed programs from there with an empty home: the command-line program
# (--version, --list-presets, --dry-run) and the window once through start
# and close. The settings must land in ~/.config/tarnick and nothing may be
# written under the prefix.
# Usage: install-test.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps)"; exit 77; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tarnick-install-test-XXXXXX")"
window_pid=""
cleanup() {
  [ -n "$window_pid" ] && kill -KILL "$window_pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The package, built into the scratch folder so the build folder's own
# package (make package) is left alone.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=("$work/pkg"/tarnick_"$version"_*.deb)
[ -f "${deb[0]}" ] || fail "no tarnick_${version}_<arch>.deb in $(ls "$work/pkg")"
depends="$(dpkg-deb -f "${deb[0]}" Depends)"
echo "Depends: $depends"
grep -qw ffmpeg <<<"$depends" || fail "the package does not depend on ffmpeg"
grep -q libqt6widgets6 <<<"$depends" || fail "the computed dependencies lack the Qt widgets library"

root="$work/root"
dpkg -x "${deb[0]}" "$root"
prefix="$root/usr"
for f in bin/tarnick bin/tarnick-cli share/tarnick/profile.txt share/tarnick/Readme.txt \
         share/applications/jp.example.tarnick.Tarnick.desktop \
         share/metainfo/jp.example.tarnick.Tarnick.metainfo.xml \
         share/icons/hicolor/scalable/apps/jp.example.tarnick.Tarnick.svg \
         share/icons/hicolor/48x48/apps/jp.example.tarnick.Tarnick.png \
         share/man/man1/tarnick.1 share/man/man1/tarnick-cli.1; do
  [ -e "$prefix/$f" ] || fail "the package lacks $f"
done
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/jp.example.tarnick.Tarnick.metainfo.xml" ||
  fail "the metainfo does not name version $version"

# A snapshot of the prefix: every path with its size and time.
snapshot() { (cd "$root" && find . -printf '%p %s %T@\n' | sort); }
snapshot >"$work/before"

home="$work/home"
mkdir -p "$home" "$work/videos"
mkdir -m 700 "$work/runtime"
: >"$work/videos/clip.avi"
run_env=(env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime")

out="$("${run_env[@]}" "$prefix/bin/tarnick-cli" --version)"
[ "$out" = "tarnick-cli $version" ] || fail "tarnick-cli --version said '$out'"
out="$("${run_env[@]}" "$prefix/bin/tarnick" --version)"
[ "$out" = "tarnick $version" ] || fail "tarnick --version said '$out'"

presets="$("${run_env[@]}" "$prefix/bin/tarnick-cli" --list-presets)"
want="$(grep -c . "$prefix/share/tarnick/profile.txt")"
got="$(grep -c . <<<"$presets")"
[ "$got" = "$want" ] || fail "--list-presets printed $got presets, profile.txt holds $want"
[[ "$presets" == 1$'\t'* ]] || fail "--list-presets does not start with preset 1: $presets"

dry="$("${run_env[@]}" "$prefix/bin/tarnick-cli" --dry-run "$work/videos/clip.avi")"
echo "$dry"
grep -qF "$home/clip.mp4" <<<"$dry" || fail "the dry run does not write into the home folder"
grep -qF "$home/.cache/tarnick/_thumb.jpg" <<<"$dry" || fail "the preview is not in ~/.cache/tarnick"
! grep -qF "$root" <<<"$dry" || fail "the dry run names a path under the prefix"

# The window, offscreen. SIGTERM closes it as its close button does (and so
# saves the settings); it is ignored until the program's own handler is in
# place, so it is sent until the program has ended.
( trap '' TERM; exec "${run_env[@]}" QT_QPA_PLATFORM=offscreen "$prefix/bin/tarnick" ) \
  >"$work/window.log" 2>&1 &
window_pid=$!
for _ in $(seq 1 300); do
  kill -0 "$window_pid" 2>/dev/null || break
  kill -TERM "$window_pid" 2>/dev/null || true
  sleep 0.1
done
if kill -0 "$window_pid" 2>/dev/null; then
  cat "$work/window.log" >&2
  fail "the window did not close on SIGTERM within 30 s"
fi
status=0
wait "$window_pid" || status=$?
window_pid=""
[ "$status" = 0 ] || { cat "$work/window.log" >&2; fail "the window ended with status $status"; }

ini="$home/.config/tarnick/Tarnick.ini"
[ -f "$ini" ] || { cat "$work/window.log" >&2; fail "no $ini after the window closed"; }
grep -q '^\[SET2\]' "$ini" || fail "Tarnick.ini holds no [SET2]"
grep -qxF "C11=$home"$'\r' "$ini" || grep -qxF "C11=$home" "$ini" ||
  fail "the output folder stored is not the home folder: $(grep C11 "$ini")"

snapshot >"$work/after"
diff -u "$work/before" "$work/after" >&2 || fail "something was written under the prefix"
echo "installed programs ran from $prefix; settings in $ini"
