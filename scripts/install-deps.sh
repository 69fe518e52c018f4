#!/usr/bin/env bash
# Installs the Debian 12 packages Kaskad needs to build, test and run, when any is missing.
set -euo pipefail

# What building and running the two programs needs, then what the tests,
# the checks, the benchmarks, the packages and the Python module need too.
# "install-deps.sh build" installs only the first; with no argument, all.
build_packages=(
  build-essential cmake pkg-config
  libcli11-dev nlohmann-json3-dev libnlopt-cxx-dev libboost-math-dev libopenturns-dev
  # libxlsxwriter's pkg-config links -lz, which its package does not bring.
  libxlsxwriter-dev zlib1g-dev
  qt6-base-dev qt6-charts-dev qt6-svg-dev qt6-qpa-plugins libgl-dev libqt6opengl6-dev libxcb1-dev qt6-translations-l10n
  fonts-dejavu-core fonts-liberation2
  help2man
)
test_packages=(
  ninja-build
  clang libclang-rt-14-dev clang-format clang-tidy
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils openbox xclip imagemagick poppler-utils
  python3-openpyxl python3-xarray python3-tqdm
  man-db groff-base bash-completion appstream lintian
  python3-dev pybind11-dev python3-pandas python3-distributed python3-pytest
  python3-nbclient python3-ipykernel python3-matplotlib python3-openturns python3-scipy
  python3-zarr python3-numcodecs
)

case "${1:-all}" in
  build) packages=("${build_packages[@]}") ;;
  all) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: install-deps.sh [build|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A locale whose decimal separator is a comma, for the tests of the
# command line's separator.
if [ "${1:-all}" = all ] && ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q 'install ok installed'; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends locales
  fi
  $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
