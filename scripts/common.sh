# Shared by run.sh and test.sh: install what is missing, configure, build.
# shellcheck shell=bash

GLIMRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
GLIMRA_BUILD="${GLIMRA_BUILD:-$GLIMRA_ROOT/build}"

glimra_missing_packages() {
    local pkg missing=()
    while read -r pkg; do
        [[ -z "$pkg" || "$pkg" == \#* ]] && continue
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done < "$GLIMRA_ROOT/scripts/packages.txt"
    echo "${missing[@]}"
}

glimra_install_packages() {
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "Not a Debian system: install CMake, a C++20 compiler and Qt 6 (Widgets, PrintSupport) by hand." >&2
        return 0
    fi
    local missing
    missing="$(glimra_missing_packages)"
    [[ -z "$missing" ]] && return 0
    if [[ "$(id -u)" -eq 0 ]]; then
        echo "Installing: $missing"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        # shellcheck disable=SC2086
        apt-get install -y -qq --no-install-recommends $missing
    else
        echo "These packages are missing. Install them, then run this script again:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y $missing" >&2
        exit 1
    fi
}

# glimra_build [TARGET...]
glimra_build() {
    local generator=()
    # A clone in a new folder still finds its objects in the compiler cache.
    export CCACHE_BASEDIR="$GLIMRA_ROOT" CCACHE_NOHASHDIR=true
    if [[ ! -f "$GLIMRA_BUILD/CMakeCache.txt" ]]; then
        command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
        cmake -S "$GLIMRA_ROOT" -B "$GLIMRA_BUILD" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    # With targets, only those (the program alone for run.sh); else all.
    cmake --build "$GLIMRA_BUILD" --parallel "$(nproc)" ${1:+--target "$@"}
}
