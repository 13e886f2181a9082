#!/usr/bin/env bash
# Installs the built program into a staging folder and checks that every file
# lies where a Linux desktop looks for it and passes the desktop's own
# validators where they are installed; then builds the Debian package and
# checks its dependencies and contents. Usage: check_install.sh BUILD_DIR
set -euo pipefail
build="$1"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
id=example.zephyn.Zephyn
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Building the program alone makes everything the install takes: the manual
# pages and the module program are made again by that build.
rm -f "$build/dist/zephyn.1.gz" "$build/dist/zephyn-module.1.gz" "$build/src/zephyn-module"
cmake --build "$build" --target zephyn >/dev/null
for made in dist/zephyn.1.gz dist/zephyn-module.1.gz src/zephyn-module; do
  [ -f "$build/$made" ] || fail "building zephyn alone does not make $made"
done

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/root/usr"
expected=(
  bin/zephyn
  bin/zephyn-module
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  share/man/man1/zephyn.1.gz
  share/man/man1/zephyn-module.1.gz
  "share/icons/hicolor/scalable/apps/$id.svg"
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -f "$root/$file" ] || fail "$file is not installed"
done
for program in zephyn zephyn-module; do
  [ -x "$root/bin/$program" ] || fail "bin/$program is not executable"
done

# The installed programs start and answer.
project_version=$(sed -n 's/^project(zephyn VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
for program in zephyn zephyn-module; do
  version=$(QT_QPA_PLATFORM=offscreen "$root/bin/$program" --version 2>/dev/null || true)
  [[ "$version" == *"$project_version"* ]] ||
    fail "the installed $program does not tell its version: '$version'"
done

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate not installed: the desktop file is not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --explain "$root/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
else
  echo "appstreamcli not installed: the metainfo file is not validated"
fi
if command -v groff >/dev/null; then
  for page in zephyn zephyn-module; do
    warnings=$(zcat "$root/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "the manual page of $page: $warnings"
  done
fi
# The QR code beside the maker's name opens the maker's home page.
if command -v zbarimg >/dev/null; then
  home=$(sed -n 's/.*kMakerHomePage = "\(.*\)";/\1/p' "$source_dir/src/resources/maker_info.h")
  code=$(zbarimg -q --raw "$source_dir/src/resources/images/bitmap130.png" 2>/dev/null || true)
  [ "$code" = "$home" ] || fail "the QR code reads '$code', not '$home'"
fi

# The Debian package: the libraries the program links, the platform plugins,
# the fonts the layout is measured in and the toolkit's translations.
if command -v cpack >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$stage" && cpack -G DEB -B "$stage/deb" --config "$build/CPackConfig.cmake" >/dev/null)
  deb=$(ls "$stage"/deb/*.deb)
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-dejavu-core \
    fonts-wqy-microhei qt6-translations-l10n; do
    [[ "$depends" == *"$package"* ]] || fail "the package does not depend on $package: $depends"
  done
  contents=$(dpkg-deb -c "$deb")
  for file in "${expected[@]}"; do
    [[ "$contents" == *"./usr/$file"* ]] || fail "the package lacks /usr/$file"
  done
else
  echo "cpack or dpkg-shlibdeps missing: the package is not built"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "packaging: all checks passed"
