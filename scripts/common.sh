# Shared by scripts/run and scripts/test: package install and build.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# TALLY_BUILD_DIR and TALLY_CMAKE_ARGS let CI build other flavours
# (sanitizers, warnings as errors) beside the normal build.
BUILD="${TALLY_BUILD_DIR:-$ROOT/build}"

# ensure_packages [LIST]: installs what LIST (default scripts/packages.txt,
# one Debian package a line) names and this machine lacks.
ensure_packages() {
    local list="${1:-$ROOT/scripts/packages.txt}"
    local missing=()
    local pkg
    while read -r pkg; do
        case "$pkg" in ''|'#'*) continue ;; esac
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done < "$list"
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
    # The tests want promtool alone; Debian's prometheus package also
    # starts a Prometheus server at install, which nobody asked for.
    if [[ " ${missing[*]} " == *" prometheus "* ]] && [ -d /run/systemd/system ]; then
        echo "Stopping and disabling the Prometheus server that came with promtool"
        "${sudo[@]}" systemctl disable --now prometheus prometheus-node-exporter 2>/dev/null || true
    fi
}

# build_programs TARGET...: configures like build_all, builds only those.
build_programs() {
    # shellcheck disable=SC2086
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release ${TALLY_CMAKE_ARGS:-} >/dev/null
    cmake --build "$BUILD" --parallel "$(nproc)" --target "$@"
}

build_all() {
    # shellcheck disable=SC2086
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release ${TALLY_CMAKE_ARGS:-} >/dev/null
    cmake --build "$BUILD" --parallel "$(nproc)"
}
