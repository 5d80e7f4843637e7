#!/usr/bin/env bash
# Packs the built tree into a .deb with CPack (nothing is compiled), checks the package's files
# and metadata with the Debian tools, unpacks it into a scratch root and runs the programs from
# there. Exits 77 (reported as skipped) when a tool is missing.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/out/mosavelle_*.deb)
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) kB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

# Exactly the desktop's files: nothing of the build (libraries, headers, tests) comes along.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$scratch/files"
expected=(usr/bin/mosavelle usr/bin/mosavelle-cli usr/share/applications/mosavelle.desktop
  usr/share/icons/hicolor/scalable/apps/mosavelle.svg
  usr/share/metainfo/org.mosavelle.Mosavelle.metainfo.xml
  usr/share/man/man1/mosavelle.1.gz usr/share/man/man1/mosavelle-cli.1.gz
  usr/share/doc/mosavelle/copyright usr/share/doc/mosavelle/changelog.gz)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/mosavelle.png")
done
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
grep -v '^usr/share/mosavelle/translations/[^/]*\.qm$' "$scratch/files" |
  diff -u "$scratch/expected" - || fail "the package's files differ from the expected list"
for dep in libvips42 libheif1 fonts-dejavu-core libqt6widgets6 libc6; do
  dpkg-deb -f "$deb" Depends | grep -q "\b$dep\b" || fail "Depends lacks $dep"
done

lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "metainfo rejected"
desktop-file-validate "$root/usr/share/applications/mosavelle.desktop" || fail "desktop entry rejected"
zcat "$root/usr/share/man/man1/mosavelle-cli.1.gz" | grep -q '^\.SS "mosavelle-cli make"' ||
  fail "the manual of mosavelle-cli lacks its subcommands"

# The installed programs run on system libraries alone.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/config XDG_DATA_HOME=$scratch/home/data
export XDG_CACHE_HOME=$scratch/home/cache
unset LD_LIBRARY_PATH
"$root/usr/bin/mosavelle-cli" --version | grep -qx "mosavelle-cli [0-9.]*" || fail "cli --version"
"$root/usr/bin/mosavelle" --version | grep -qx "mosavelle [0-9.]*" || fail "app --version"
if ldd "$root"/usr/bin/* | grep -e 'not found' -e "$build"; then fail "unresolved libraries"; fi
"$root/usr/bin/mosavelle-cli" make --quiet "$scratch/demo.pptx" "$source/examples/pictures" ||
  fail "make of the example pictures"
[ -s "$scratch/demo.pptx" ] || fail "no presentation written"
echo "PASS"
