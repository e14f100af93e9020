# Shared set-up for scripts/run.sh and scripts/test.sh: installs the Debian
# packages that are missing and configures and builds one build tree.
# Sourced, not run.

KODEXA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KODEXA_PACKAGES=(build-essential cmake pkg-config libgtest-dev libgmock-dev
    libfox-1.6-dev libx11-dev zlib1g-dev libstemmer-dev xvfb xdotool xclip imagemagick x11-utils fonts-dejavu-core
    dpkg-dev lintian desktop-file-utils appstream clang libclang-rt-14-dev)

kodexa_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "kodexa: '$*' needs root rights, and sudo is not available" >&2
        return 1
    fi
}

kodexa_install_missing() {
    local missing=()
    local package
    for package in "${KODEXA_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "kodexa: installing ${missing[*]}"
    # Waits for another package run (an unattended upgrade, say) instead of failing at once.
    kodexa_as_root apt-get -o DPkg::Lock::Timeout=300 update &&
        kodexa_as_root env DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout=300 install -y "${missing[@]}"
}

# The version as the programs show it, major and minor ("1.0"), taken from
# project() in CMakeLists.txt, so that a script needs no build to know it.
kodexa_version() {
    local version
    version=$(sed -n 's/^project(Kodexa VERSION \([0-9]*\.[0-9]*\)[.0-9]* .*/\1/p' "$KODEXA_ROOT/CMakeLists.txt")
    [ -n "$version" ] || { echo "kodexa: no version in $KODEXA_ROOT/CMakeLists.txt" >&2; return 1; }
    echo "$version"
}

# kodexa_build DIR [cmake options...]
kodexa_build() {
    local dir=$1
    shift
    cmake -S "$KODEXA_ROOT" -B "$dir" "$@" &&
        cmake --build "$dir" -j "$(nproc)"
}
