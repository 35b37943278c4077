#!/usr/bin/env bash
# Installs what the program needs (Debian 12, as root), builds it, and then
#   ./setup.sh run    starts the program on the default database beside it
#   ./setup.sh test   checks that the sources are formatted, then runs every test
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build ccache pkg-config clang-format
          qt6-base-dev qt6-base-dev-tools libgl-dev libsqlite3-dev libzip-dev libpugixml-dev
          qt6-translations-l10n fonts-noto-cjk xvfb xauth)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Every C++ file of the checkout as clang-format writes it (cmake --build build
# --target format mends them).
check_format() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
  fi
}

build_type=${BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build build

case "${1:-run}" in
  run)
    shift || true
    if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
      exec xvfb-run -a ./build/bin/tallowmere "$@"
    fi
    exec ./build/bin/tallowmere "$@"
    ;;
  test)
    check_format
    cd build && ctest --output-on-failure -j"$(nproc)"
    ;;
  format-check)
    check_format
    ;;
  build)
    ;;
  *)
    echo "usage: $0 [run|test|build|format-check]" >&2
    exit 2
    ;;
esac
