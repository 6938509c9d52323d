#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it installs: the programs, the
# manual, the desktop entry, the icon and the AppStream file, with its runtime dependencies.
# Usage: scripts/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    echo "cpack failed" >&2
    exit 1
}
deb=$(ls "$work"/*.deb)
contents=$(dpkg-deb -c "$deb")
status=0
for path in ./usr/bin/talven ./usr/bin/talvenctl ./usr/bin/talven-sim \
            ./usr/share/doc/talven/TALVEN_User_Manual.pdf \
            ./usr/share/applications/talven.desktop \
            ./usr/share/icons/hicolor/scalable/apps/talven.svg \
            ./usr/share/metainfo/com.orvanevamir.talven.metainfo.xml; do
    if ! grep -q " $path\$" <<<"$contents"; then
        echo "missing from the package: $path" >&2
        status=1
    fi
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libserialport0; do
    if ! grep -q "$lib" <<<"$depends"; then
        echo "the package does not depend on $lib (Depends: $depends)" >&2
        status=1
    fi
done
# The package installs into a scratch root like dpkg would unpack it.
dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/talvenctl" --help >/dev/null
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
exit $status
