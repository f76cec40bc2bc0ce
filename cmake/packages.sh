# Debian packages the build, the tests, the fuzz targets (clang) and ./run need; sourced by
# ./test, ./run and fuzz/run.sh.
VPP_PACKAGES=(
  cmake g++ make pkg-config
  clang
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-liberation
  libdbd-xbase-perl
  poppler-utils
  dpkg-dev desktop-file-utils
  cups printer-driver-cups-pdf
)

# The Windows leg: the MinGW-w64 cross compiler (posix threads), GoogleTest's sources to build
# with it, and Wine to run the tests.
VPP_WINDOWS_PACKAGES=(
  cmake make
  g++-mingw-w64-x86-64-posix
  googletest
  wine64
)
VPP_WINE=/usr/lib/wine/wine64

# Installs whatever of the given packages is missing; quick when all are there.
vpp_install_missing() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
