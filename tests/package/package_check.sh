#!/usr/bin/env bash
# Checks of the installed program and of the Debian package, one check a call:
#
#   package_check.sh relocated|installed-tree|library-user|run-script|deb|deb-contents|deb-starts|
#                    desktop-files|lintian
#
# Environment (set by tests/package/CMakeLists.txt): VORN_BUILD_DIR, VORN_SOURCE_DIR,
# VORN_MULTIARCH (the library architecture, may be empty), VORN_BUILT_OPTIONAL (programs built
# beside the required ones, e.g. "vorn-blist").
set -euo pipefail

check=${1:?which check}
build=${VORN_BUILD_DIR:?}
source=${VORN_SOURCE_DIR:?}
bin=$build/bin
package_dir=$build/package

# Programs need a display; ctest normally runs under xvfb-run already.
if [ -z "${DISPLAY:-}" ] && [[ $check == relocated || $check == deb-starts ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-package.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The expected file list for the programs built here, as absolute package paths.
expected_files() {
  local line target
  while IFS= read -r line; do
    [[ -z $line || $line == \#* ]] && continue
    if [[ $line =~ ^\[([^]]+)\]\ (.*)$ ]]; then
      target=${BASH_REMATCH[1]}
      [[ " ${VORN_BUILT_OPTIONAL:-} " == *" $target "* ]] || continue
      line=${BASH_REMATCH[2]}
    fi
    echo "${line//\/@MULTIARCH@/${VORN_MULTIARCH:+/$VORN_MULTIARCH}}"
  done <"$VORN_SOURCE_DIR/tests/package/expected-files.txt" | LC_ALL=C sort
}

# Files and links below $1, as package paths: <prefix>/etc becomes /etc, the rest goes under /usr.
installed_files() {
  (cd "$1" && find . \( -type f -o -type l \) | sed -e 's|^\./etc/|/etc/|;t' -e 's|^\./|/usr/|') |
    LC_ALL=C sort
}

compare_lists() { # expected actual what
  if ! diff -u "$1" "$2" >"$work/diff"; then
    cat "$work/diff" >&2
    fail "$3 differs from tests/package/expected-files.txt (- expected, + found)"
  fi
}

the_deb() {
  local debs=("$package_dir"/vorn-update_*.deb)
  [ -f "${debs[0]}" ] || fail "no package in $package_dir"
  [ ${#debs[@]} -eq 1 ] || fail "more than one package in $package_dir"
  echo "${debs[0]}"
}

# Starts program $1 beside the simulator $2, in a private channel namespace and private folders,
# waits for the program's first request, and checks that it mapped libVocabrix.so from folder $3.
start_beside_simulator() {
  local program=$1 simulator=$2 library_folder=$3
  export VORN_PIPE_NS="vorn-package-$$-$RANDOM"
  export VORN_DATA_DIR=$work/data VORN_REGISTRY_DIR=$work/registry
  mkdir -p "$VORN_DATA_DIR" "$VORN_REGISTRY_DIR"
  local record=$work/requests.txt
  "$simulator" --idle --devices 1 --record "$record" &
  pids+=($!)
  # The simulator must hold the request channel first: the agent the program starts then finds
  # the name taken and ends, and this one records every request.
  local waited=0
  until grep -q "@${VORN_PIPE_NS}ws-quorin-vorn01\$" /proc/net/unix; do
    kill -0 "${pids[-1]}" 2>/dev/null || fail "the simulator $simulator ended at start"
    [ $waited -lt 100 ] || fail "the simulator $simulator did not listen within 10 s"
    sleep 0.1
    waited=$((waited + 1))
  done
  "$program" &
  local pid=$!
  pids+=("$pid")
  waited=0
  until grep -qx '<getalldevinfo/>' "$record" 2>/dev/null; do
    kill -0 "$pid" 2>/dev/null || fail "$program ended before its first request"
    [ $waited -lt 200 ] || fail "$program sent no request within 20 s"
    sleep 0.1
    waited=$((waited + 1))
  done
  local mapped
  mapped=$(grep -o '/[^ ]*libVocabrix\.so$' "/proc/$pid/maps" | sort -u)
  [ "$mapped" = "$library_folder/libVocabrix.so" ] ||
    fail "$program mapped libVocabrix.so from '${mapped:-nowhere}', not from $library_folder"
  kill -TERM "$pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  ! kill -0 "$pid" 2>/dev/null || fail "$program still runs 10 s after SIGTERM"
}

case $check in
relocated)
  # The program folder copied elsewhere runs with its own library, the build's copy gone.
  moved=$work/moved
  mkdir -p "$moved"
  for f in Vorn_Update AgentZelt libVocabrix.so english.db languages.xml ${VORN_BUILT_OPTIONAL:-}; do
    cp -a "$bin/$f" "$moved/"
  done
  for f in "$moved"/*; do
    file -b "$f" | grep -q '^ELF' || continue
    ! readelf -d "$f" | grep -q '(RPATH)' || fail "$f carries an RPATH"
    runpath=$(readelf -d "$f" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    [[ -z $runpath || $runpath == '$ORIGIN' ]] || fail "$(basename "$f") has the run path '$runpath'"
  done
  # The build's library goes aside while the copy runs (ctest runs this test alone).
  aside=$bin/libVocabrix.so.package-check
  mv "$bin/libVocabrix.so" "$aside"
  trap 'mv "$aside" "$bin/libVocabrix.so"; cleanup' EXIT
  trap 'exit 1' INT TERM
  resolved=$(ldd "$moved/Vorn_Update" | sed -n 's/^\s*libVocabrix\.so => \([^ ]*\) .*/\1/p')
  [ "$resolved" = "$moved/libVocabrix.so" ] || fail "ldd resolves libVocabrix.so to '$resolved'"
  ! ldd "$moved/Vorn_Update" | grep -q 'not found' || fail "a library of the copy is not found"
  start_beside_simulator "$moved/Vorn_Update" "$moved/AgentZelt" "$moved"
  ;;

installed-tree)
  prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" >/dev/null
  expected_files >"$work/expected"
  installed_files "$prefix" >"$work/actual"
  compare_lists "$work/expected" "$work/actual" "cmake --install"
  # The bin/ entries are relative links into the program folder.
  for link in "$prefix"/bin/*; do
    target=$(readlink "$link") || fail "$link is not a link"
    [[ $target == ../lib/vorn-update/* ]] || fail "$link points to $target"
    [ -x "$prefix/bin/$target" ] || fail "$link points to a missing program"
  done
  ;;

library-user)
  # Another program builds against the installed header and pkg-config file and runs.
  prefix=$work/prefix
  cmake --install "$build" --prefix "$prefix" >/dev/null
  cat >"$work/user.cpp" <<'EOF'
#include <Vocabrix.h>
#include <cstdio>
#include <cwchar>
int main() {
    auto& storage = Localization::CVocabrix::Instance();
    storage.SetTranslateOn(false);
    const wchar_t* text = storage.TranslateString(L"Выход");
    storage.CleanUp();
    return std::wcscmp(text, L"Выход") == 0 ? 0 : 1;
}
EOF
  pc_dir=$prefix/lib/${VORN_MULTIARCH:+$VORN_MULTIARCH/}pkgconfig
  flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs vocabrix) || fail "pkg-config vocabrix"
  # The header serves programs of any C++ standard since C++11, not only the library's own.
  for standard in c++11 c++17 c++20; do
    # shellcheck disable=SC2086
    c++ -std=$standard -Wall -Wextra -Wpedantic -Werror "$work/user.cpp" -o "$work/user" $flags ||
      fail "a $standard program using Vocabrix does not build"
    "$work/user" || fail "the $standard program using Vocabrix failed"
    resolved=$(ldd "$work/user" | sed -n 's/^\s*libVocabrix\.so => \([^ ]*\) .*/\1/p')
    [ "$(realpath "$resolved")" = "$(realpath "$prefix/lib/vorn-update/libVocabrix.so")" ] ||
      fail "the $standard user program loads libVocabrix.so from '$resolved'"
  done
  ;;

run-script)
  # scripts/run ends the simulator of its own run and no other: one from the same build folder
  # in another namespace still runs afterwards.
  export VORN_PIPE_NS="vorn-package-other-$$-$RANDOM-"
  "$bin/AgentZelt" --idle &
  other=$!
  pids+=("$other")
  waited=0
  until grep -q "@${VORN_PIPE_NS}ws-quorin-vorn01\$" /proc/net/unix; do
    kill -0 "$other" 2>/dev/null || fail "the other simulator ended at start"
    [ $waited -lt 100 ] || fail "the other simulator did not listen within 10 s"
    sleep 0.1
    waited=$((waited + 1))
  done
  mkdir -p "$work/data" "$work/registry"
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u VORN_PIPE_NS VORN_DEMO_SECONDS=4 \
    VORN_DATA_DIR="$work/data" VORN_REGISTRY_DIR="$work/registry" "$source/scripts/run" 2>&1) ||
    fail "scripts/run failed: $output"
  kill -0 "$other" 2>/dev/null || fail "scripts/run ended the simulator of another namespace"
  own=$(sed -n 's/.*(channel namespace \([^)]*\)).*/\1/p' <<<"$output")
  [ -n "$own" ] || fail "scripts/run did not name its namespace: $output"
  ! grep -q "@${own}ws-quorin-vorn01\$" /proc/net/unix || fail "scripts/run left its own simulator running"
  ended=$(sed -n 's/^Ended the agent simulator of this run (process \([0-9]*\))\.$/\1/p' <<<"$output")
  [ -n "$ended" ] || fail "scripts/run ended no simulator of its own: $output"
  ! kill -0 "$ended" 2>/dev/null || fail "the simulator $ended of scripts/run still runs"
  kill -TERM "$other"
  wait "$other" || fail "the other simulator did not end cleanly on SIGTERM"
  ;;

deb)
  rm -f "$package_dir"/*.deb
  cpack --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack"
  }
  the_deb >/dev/null
  ;;

deb-contents)
  deb=$(the_deb)
  expected_files >"$work/expected"
  dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -n 's|^\./|/|p' | grep -v '/$' | LC_ALL=C sort >"$work/actual"
  compare_lists "$work/expected" "$work/actual" "the package"
  # Every command the package puts on the PATH comes with its manual page.
  for command in $(sed -n 's|^/usr/bin/||p' "$work/actual"); do
    grep -qx "/usr/share/man/man1/$command.1.gz" "$work/actual" || fail "$command has no manual page"
  done
  version=$(sed -n 's/.*kProgramVersion\[4\] = {\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\)}.*/\1.\2.\3.\4/p' \
    "$source/program/ProgramVersion.h")
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not the program's $version"
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libwxgtk3.2 libsqlite3 libtinyxml2 libstdc++6 libcurl4 libssl3; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
  done
  dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/xdg/autostart/vorn-update.desktop ||
    fail "the autostart entry is not a conffile"
  # The library is private to the program folder: no maintainer script runs ldconfig for it.
  ! dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq '^\./(postinst|postrm)$' ||
    fail "the package has maintainer scripts: $(dpkg-deb --ctrl-tarfile "$deb" | tar -t | tr '\n' ' ')"
  ;;

deb-starts)
  deb=$(the_deb)
  root=$work/root
  dpkg -x "$deb" "$root"
  start_beside_simulator "$root/usr/bin/vorn-update" "$root/usr/lib/vorn-update/AgentZelt" \
    "$root/usr/lib/vorn-update"
  ;;

desktop-files)
  deb=$(the_deb)
  root=$work/root
  dpkg -x "$deb" "$root"
  desktop-file-validate "$root/usr/share/applications/vorn-update.desktop" \
    "$root/etc/xdg/autostart/vorn-update.desktop" | { grep -v ': hint: ' || true; } >"$work/desktop"
  [ ! -s "$work/desktop" ] || { cat "$work/desktop" >&2; fail "desktop-file-validate"; }
  # The autostart entry is a conffile that stays after "apt remove": it must not start a
  # missing command at every login.
  autostart=$root/etc/xdg/autostart/vorn-update.desktop
  grep -qx 'TryExec=vorn-update' "$autostart" || fail "the autostart entry has no TryExec=vorn-update"
  grep -qx 'Exec=vorn-update' "$autostart" || fail "the autostart entry does not start vorn-update"
  # One main category, so the program shows in one menu.
  main_categories=(AudioVideo Audio Video Development Education Game Graphics Network Office
    Science Settings System Utility)
  categories=$(sed -n 's/^Categories=//p' "$root/usr/share/applications/vorn-update.desktop")
  count=0
  for category in ${categories//;/ }; do
    [[ " ${main_categories[*]} " == *" $category "* ]] && count=$((count + 1))
  done
  [ $count -eq 1 ] || fail "the menu entry names $count main categories: $categories"
  appstreamcli validate --no-net "$root/usr/share/metainfo/com.vorn.update.metainfo.xml" ||
    fail "appstreamcli validate"
  grep -q '<release version="[0-9]' "$root/usr/share/metainfo/com.vorn.update.metainfo.xml" ||
    fail "the metainfo release has no version"
  for png in "$root"/usr/share/icons/hicolor/*/apps/vorn-update.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    file -b "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "$png is not a ${size} PNG"
  done
  ;;

lintian)
  deb=$(the_deb)
  status=0
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || status=$?
  grep -v 'running with root privileges' "$work/lintian" || true
  [ $status -eq 0 ] || fail "lintian reports errors"
  ;;

*)
  fail "unknown check $check"
  ;;
esac
echo "$check: passed"
