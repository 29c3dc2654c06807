#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it as a user's
# machine would meet it: its contents, the validators of its desktop files,
# lintian, and the programs run from an unpacked copy without the build tree.
# usage: check_package.sh BUILD_DIR
# Exit 77 (skipped) only when a tool it needs is not installed.
set -euo pipefail
build=$1
for tool in cpack dpkg-deb desktop-file-validate appstreamcli lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/orvantis-configurator_*.deb)
echo "package: $(basename "$deb")"

fail=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$tmp/contents"
for f in ./usr/bin/orvantis-configurator ./usr/bin/orvantis-cli ./usr/bin/orvantis-sim \
         ./usr/lib/udev/rules.d/60-orvantis.rules \
         ./usr/share/applications/org.orvantis.configurator.desktop \
         ./usr/share/metainfo/org.orvantis.configurator.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/org.orvantis.configurator.svg \
         ./usr/share/icons/hicolor/48x48/apps/org.orvantis.configurator.png \
         ./usr/share/icons/hicolor/256x256/apps/org.orvantis.configurator.png \
         ./usr/share/man/man1/orvantis-configurator.1.gz ./usr/share/man/man1/orvantis-cli.1.gz \
         ./usr/share/man/man1/orvantis-sim.1.gz \
         ./usr/share/bash-completion/completions/orvantis-cli \
         ./usr/share/doc/orvantis-configurator/copyright \
         ./usr/share/orvantis/voice/PackedWave.bin; do
  check "package holds $f" grep -qxF "$f" "$tmp/contents"
done
check "post-install step reloads udev and triggers hidraw" \
  bash -c "dpkg-deb -I '$deb' postinst | grep -q 'udevadm trigger --subsystem-match=hidraw'"
check "dependencies computed from the linked libraries" \
  bash -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6"
check "the report's font is a dependency" \
  bash -c "dpkg-deb -f '$deb' Depends | grep -q fonts-dejavu-core"

dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root
check "desktop file validates" desktop-file-validate "$root/usr/share/applications/org.orvantis.configurator.desktop"
check "metainfo validates (pedantic)" \
  appstreamcli validate --pedantic --no-net "$root/usr/share/metainfo/org.orvantis.configurator.metainfo.xml"
check "metainfo names the unit's USB id" \
  grep -q '<modalias>usb:vC1CAp0003d\*</modalias>' "$root/usr/share/metainfo/org.orvantis.configurator.metainfo.xml"

lintian --no-tag-display-limit "$deb" >"$tmp/lintian.log" 2>&1 || true
if grep -q '^E:' "$tmp/lintian.log"; then
  echo "FAILED: lintian reports errors:"; grep '^E:' "$tmp/lintian.log"; fail=1
else
  echo "ok: lintian reports no errors ($(grep -c '^W:' "$tmp/lintian.log" || true) warnings)"
fi

# The unpacked programs, away from the build tree and its data.
cd "$tmp"
for p in orvantis-configurator orvantis-cli orvantis-sim; do
  check "$p --version" bash -c "env -u ORVANTIS_DATA_DIR '$root/usr/bin/$p' --version | grep -qE '^$p [0-9]+\.[0-9]+\.[0-9]+$'"
done
check "unpacked orvantis-cli talks to a simulated unit" \
  bash -c "env -u ORVANTIS_DATA_DIR -u ORVANTIS_BUS '$root/usr/bin/orvantis-cli' --sim 3 info >'$tmp/info.log' 2>&1"
exit $fail
