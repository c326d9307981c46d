# Shared by the scripts: package installation, the build and a virtual X server.
set -euo pipefail
SKYLARK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

# The Debian packages a build and its tests need (locales: the decimal-comma locale of the tests,
# which ensure_comma_locale generates).
SKYLARK_PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-charts-dev socat libgensio-dev ser2net picocom locales)
# What scripts/package adds: dpkg-buildpackage with debhelper, git and xz for the upstream tarball,
# lintian, appstreamcli, desktop-file-validate and strings. The build dependencies in
# debian/control are all in SKYLARK_PACKAGES.
SKYLARK_PACKAGE_PACKAGES=(dpkg-dev debhelper git xz-utils lintian appstream desktop-file-utils binutils)
# What scripts/fuzz adds: clang with its libFuzzer and sanitizer runtimes.
SKYLARK_FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# What scripts/bench adds: Google Benchmark and GNU time for the idle and start-up figures.
SKYLARK_BENCH_PACKAGES=(libbenchmark-dev time)
# What scripts/smoke-x11 adds: an X server without a screen and a way to type into it.
SKYLARK_X11_PACKAGES=(xvfb xdotool)
# What scripts/test-windows adds: the mingw-w64 cross compiler (posix threads), Wine, a virtual
# X server for the graphical program's windows and a way to type into them, and msitools' wixl
# for the installer.
SKYLARK_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xdotool wixl)

# Installs the packages that are missing (apt-get update once, only when something is).
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
  fi
}

# The receiver's sentences must keep their decimal point in a user's locale that writes a comma;
# the tests that check it fail without such a locale. de_DE.UTF-8 goes into /etc/locale.gen, so
# that a later locale-gen (an upgrade of the locales package) keeps it.
ensure_comma_locale() {
  locale -a 2>/dev/null | grep -x 'de_DE\.utf8' >/dev/null && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Generating the locale de_DE.UTF-8"
  grep -qx 'de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
}

# build_tree DIR [cmake options...]: configure (once) and build.
build_tree() {
  local dir=$1
  shift
  cmake -S "$SKYLARK_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

# start_xvfb DIR [SCREEN]: a virtual X server on a free display number (written to DIR/display,
# its output to DIR/xvfb.log); exports DISPLAY and leaves its process id in XVFB_PID for the
# caller's clean-up to end.
start_xvfb() {
  local dir=$1 screen=${2:-1280x1024x24}
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.05
  done
  export DISPLAY=:$(head -n 1 "$dir/display")
}
