#!/usr/bin/env bash
# Builds the Debian package of this build tree into a temporary folder and
# checks it as Debian would: lintian must report no error and no warning;
# the files a Debian user looks for must be in their places; the programs
# must be stripped and hardened; and the kaskad-cli it holds must run.
# Usage: deb_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED  $*"
  failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAILED  cpack could not build the package"
  exit 1
fi
debs=("$work"/kaskad_*.deb)
deb=${debs[0]}
echo "built $(basename "$deb")"

# Every package built: kaskad, and python3-kaskad when the module is built.
lintian --tag-display-limit 0 "$work"/*.deb >"$work/lintian.log" 2>&1
grep -v '^running with root privileges' "$work/lintian.log"
if grep -qE '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports errors or warnings"
else
  echo "ok      lintian: no error, no warning"
fi

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/kaskad /usr/bin/kaskad-cli \
  /usr/share/man/man1/kaskad.1.gz /usr/share/man/man1/kaskad-cli.1.gz \
  /usr/share/bash-completion/completions/kaskad-cli \
  /usr/share/doc/kaskad/copyright /usr/share/doc/kaskad/changelog.Debian.gz \
  /usr/share/applications/kaskad.desktop /usr/share/icons/hicolor/scalable/apps/kaskad.svg; do
  grep -qxF "$path" "$work/contents" || fail "the package lacks $path"
done
grep -qE '^/usr/share/metainfo/[a-z.]+\.metainfo\.xml$' "$work/contents" || fail "the package lacks its AppStream metainfo"
for module in kaskad-plot kaskad-uncertainty; do
  grep -qE "^/usr/lib/[^/]+/kaskad/$module\.so$" "$work/contents" || fail "the package lacks the module $module.so"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
# Captured first: grep -q stops reading early, which pipefail would count.
for program in kaskad kaskad-cli; do
  binary=$root/usr/bin/$program
  sections=$(readelf -SW "$binary")
  header=$(readelf -hW "$binary")
  segments=$(readelf -lW "$binary")
  dynamic=$(readelf -dW "$binary")
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q '\.debug_info' <<<"$sections" && fail "$program is not stripped"
  grep -q 'Type: *DYN' <<<"$header" || fail "$program is not position-independent"
  grep -q 'GNU_RELRO' <<<"$segments" || fail "$program has no read-only relocations"
  grep -qE 'BIND_NOW|FLAGS.*NOW' <<<"$dynamic" || fail "$program does not bind at start-up"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$program has no stack protector"
done
# kaskad itself leaves its buffers to Qt; kaskad-cli formats its own.
grep -qE '__[a-z]+_chk@' <<<"$(readelf --dyn-syms -W "$root/usr/bin/kaskad-cli")" ||
  fail "kaskad-cli calls no checked buffer function"

version=$("$root/usr/bin/kaskad-cli" --version) || fail "the packaged kaskad-cli --version failed"
[[ $version == "kaskad-cli $(dpkg-deb -f "$deb" Version | cut -d- -f1)" ]] || fail "the packaged kaskad-cli says \"$version\""
rows=$("$root/usr/bin/kaskad-cli" bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 \
  --format csv) || fail "the packaged kaskad-cli could not run a calculation"
[[ $(wc -l <<<"$rows") == 4 ]] || fail "the packaged kaskad-cli printed, for 3 reactors: $rows"

# The Python module, when packaged, suggests the packages its optional parts
# use, imports from the package and carries its distribution metadata: importlib.metadata and kaskad.__version__ give the
# package's version.
python_debs=("$work"/python3-kaskad_*.deb)
if [[ -e ${python_debs[0]} ]]; then
  python_root=$work/python-root
  dpkg-deb -x "${python_debs[0]}" "$python_root"
  python_version=$(PYTHONPATH=$python_root/usr/lib/python3/dist-packages /usr/bin/python3 -c \
    'import importlib.metadata, kaskad; print(importlib.metadata.version("kaskad"), kaskad.__version__)') ||
    fail "the packaged module could not tell its version"
  suggests=$(dpkg-deb -f "${python_debs[0]}" Suggests)
  for suggested in python3-distributed python3-xarray python3-tqdm python3-ipywidgets; do
    [[ ", $suggests," == *", $suggested,"* ]] || fail "python3-kaskad does not suggest $suggested: \"$suggests\""
  done
  package_version=$(dpkg-deb -f "${python_debs[0]}" Version | cut -d- -f1)
  [[ $python_version == "$package_version $package_version" ]] ||
    fail "the packaged module's metadata and __version__ say \"$python_version\", the package $package_version"
fi

if ((failures)); then
  exit 1
fi
echo "ok      the package's files, hardening and kaskad-cli"
