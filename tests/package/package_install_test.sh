#!/usr/bin/env bash
# Installs the Debian package into a temporary root with dpkg -x (no root needed), runs arvex-cli from there
# and checks that the udev rule, the desktop entry, the manual pages and the documents are in place.
#   package_install_test.sh BUILD_DIR VERSION [PACKAGE.deb]
# Without PACKAGE.deb (or $ARVEX_PACKAGE) it builds the package from BUILD_DIR with cpack.
# Exit 77 (skipped) when dpkg-deb is missing.
set -euo pipefail
build_dir="$1"
version="$2"
deb="${3:-${ARVEX_PACKAGE:-}}"
if ! command -v dpkg-deb >/dev/null; then
  echo "dpkg-deb is missing: the package test is skipped"
  exit 77
fi
work="$(mktemp -d /tmp/arvex-package-test.XXXXXX)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

if [ -z "$deb" ]; then
  cpack --config "$build_dir/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
  deb="$work/cpack/arvex-updater_${version}_amd64.deb"
fi
[ -f "$deb" ] || fail "no package $deb"
case "$(basename "$deb")" in
  arvex-updater_"$version"_amd64.deb) ;;
  *) fail "package file $(basename "$deb") is not arvex-updater_${version}_amd64.deb" ;;
esac

root="$work/root"
dpkg-deb -x "$deb" "$root"

# Control data: dependencies computed from the binaries, the udev reload after installing.
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libhidapi-hidraw0 libcurl4 libc6; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
dpkg-deb -e "$deb" "$work/control"
grep -q "udevadm control --reload-rules" "$work/control/postinst" || fail "postinst does not reload the udev rules"

for file in usr/bin/arvex-updater usr/bin/arvex-cli usr/bin/arvex-support-server \
            usr/lib/udev/rules.d/70-arvex-box.rules usr/share/applications/arvex-updater.desktop \
            usr/share/icons/hicolor/scalable/apps/arvex-updater.svg \
            usr/share/man/man1/arvex-cli.1.gz usr/share/man/man1/arvex-updater.1.gz \
            usr/share/man/man1/arvex-support-server.1.gz \
            usr/share/doc/arvex-updater/README.md usr/share/doc/arvex-updater/copyright \
            usr/share/doc/arvex-updater/changelog.gz; do
  [ -s "$root/$file" ] || fail "/$file is missing from the package"
done
for file in usr/bin/arvex-updater-demo usr/share/applications/arvex-updater-demo.desktop; do
  [ ! -e "$root/$file" ] || fail "/$file belongs to the demo, not to the package"
done
grep -q 'SUBSYSTEM=="hidraw", ATTRS{idVendor}=="2e4b", ATTRS{idProduct}=="0001"' \
  "$root/usr/lib/udev/rules.d/70-arvex-box.rules" || fail "the udev rule does not match the box"
grep -qx 'Exec=arvex-updater' "$root/usr/share/applications/arvex-updater.desktop" ||
  fail "the desktop entry does not start arvex-updater"
grep -qx 'Icon=arvex-updater' "$root/usr/share/applications/arvex-updater.desktop" ||
  fail "the desktop entry does not name the icon"
head -1 "$root/usr/share/doc/arvex-updater/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"

# The installed programs run from the temporary root.
cli="$root/usr/bin/arvex-cli"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
"$cli" --version >"$work/version.txt" 2>&1 || { cat "$work/version.txt"; fail "arvex-cli --version failed"; }
grep -q "^arvex-cli $version\$" "$work/version.txt" || { cat "$work/version.txt"; fail "arvex-cli --version lacks $version"; }
"$cli" --simulate identify >"$work/identify.txt" 2>&1 || { cat "$work/identify.txt"; fail "arvex-cli --simulate identify failed"; }
grep -q "Reference *AK02" "$work/identify.txt" || { cat "$work/identify.txt"; fail "identify shows no AK02 reference"; }
echo "package $(basename "$deb"): installed into a temporary root, arvex-cli runs"
