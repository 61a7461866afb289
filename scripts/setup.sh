#!/usr/bin/env bash
# Shared set-up of ./run and ./test: install the Debian packages that are
# missing (one apt-get update, only when something must be installed), then
# configure and build into build/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${OSTREL_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  build-essential cmake pkg-config
  libsqlite3-dev libcurl4-openssl-dev libpcre2-dev libgd-dev libfreetype-dev
  libfontconfig-dev fonts-wqy-zenhei libarchive-dev libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev tzdata
  python3-pyftpdlib
  zip unzip
)

# The browser tests: Debian's Chromium, sqlite3 (the tests look into the
# databases), and Node with npm (tests/e2e/run.sh installs playwright-core
# from its lock file). A Node that came from
# elsewhere is kept: only a missing command brings in Debian's package.
E2E_PACKAGES=(chromium sqlite3)
command -v node >/dev/null 2>&1 || E2E_PACKAGES+=(nodejs)
command -v npm >/dev/null 2>&1 || E2E_PACKAGES+=(npm)

ostrel_install_packages() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# ostrel_build [TARGET...]: configures and builds the named targets (all
# when none is named). A build folder keeps the warning setting it was made
# with unless OSTREL_WERROR says otherwise, so ./run after ./test rebuilds
# nothing.
ostrel_build() {
  local werror=()
  [ -n "${OSTREL_WERROR:-}" ] && werror=(-DOSTREL_WERROR="$OSTREL_WERROR")
  [ -n "${OSTREL_SANITIZE:-}" ] && werror+=(-DOSTREL_SANITIZE="$OSTREL_SANITIZE")
  cmake -S "$ROOT" -B "$BUILD" "${werror[@]}" >/dev/null
  if (($#)); then
    cmake --build "$BUILD" -j"$(nproc)" --target "$@"
  else
    cmake --build "$BUILD" -j"$(nproc)"
  fi
}

# ostrel_sanitized_ctest [CTEST OPTION...]: runs the tests of a sanitizer
# build. Every report goes to a file of its own under sanitizer-reports/, so
# one from a program whose exit no test checks (a host the browser tests
# stop) counts too; the run fails when there is any. LeakSanitizer skips the
# leaks listed in scripts/lsan.supp, none of them ours.
ostrel_sanitized_ctest() {
  local reports="$BUILD/sanitizer-reports"
  rm -rf "$reports"
  mkdir -p "$reports"
  export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1"
  export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
  local status=0
  ctest --output-on-failure -j"$(nproc)" "$@" || status=$?
  # A program that switches onto its page stacks is warned once that
  # AddressSanitizer was told of them by hand: no report.
  local f
  for f in "$reports"/*; do
    [ -e "$f" ] || continue
    grep -qv "ASan doesn't fully support makecontext/swapcontext" "$f" || rm "$f"
  done
  if compgen -G "$reports/*" >/dev/null; then
    cat "$reports"/* >&2
    echo "Sanitizer reports: $(ls "$reports" | wc -l) file(s) in $reports" >&2
    status=1
  fi
  return "$status"
}
