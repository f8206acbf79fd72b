# Sourced by test.sh and run.sh: installs the Debian 12 packages the build,
# the tests and the demo need, when any is missing (a provisioned machine
# pays only the dpkg-query checks).
# Never wine32: on a 64-bit kernel it makes the launcher pick a 32-bit loader.
# fonts-wine (MS Sans Serif, Tahoma, Marlett) is only a recommendation of
# Wine, but text metrics and caption glyphs in the tests depend on it.
tb_packages="wine wine64 fonts-wine xvfb xauth g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 cmake make googletest"

tb_install_missing() {
    missing=""
    for p in $tb_packages; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing="$missing $p"
        fi
    done
    [ -n "$missing" ] || return 0
    echo "== installing:$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # A fresh machine's package lists may be empty.
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
}
