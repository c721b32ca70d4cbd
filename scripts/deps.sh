# Shared by scripts/run and scripts/test: installs the Debian packages that are missing.
korvane_install() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
KORVANE_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev gputils)
# sigrok-cli and gpsim are the outside judges of our waveforms and of our PIC cores.
KORVANE_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth sigrok-cli gpsim)
# libFuzzer and the sanitizer runtimes come with clang's runtime library, a recommendation only.
KORVANE_FUZZ_PACKAGES=(clang libclang-rt-dev)
# cpack's DEB generator finds the shared-library dependencies with dpkg-shlibdeps and file.
KORVANE_PACKAGE_PACKAGES=(dpkg-dev file)
