#!/usr/bin/env bash
# Checks the Debian packages that `cpack -G DEB` made in BUILD_DIR for
# Debian architecture ARCH: four packages cut like Debian's own library
# packages, each holding what it should and depending on what it should.
#   check_split.sh BUILD_DIR ARCH
set -euo pipefail
build=$1
arch=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${build}/CMakeCache.txt")
major=${version%%.*}
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "${build}/CMakeCache.txt")
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The files of a package (links and files, no directories), one per line.
files() { dpkg-deb --contents "$1" | awk '$1 !~ /^d/ { print $6 }' | sort; }
# A field of a package's control file.
field() { dpkg-deb --field "$1" "$2"; }

declare -A expect=(
  ["libkxapi-utility${major}"]="^\./usr/${libdir}/libKXAPI_Utility\.so\.${major}(\.[0-9.]+)?$"
  ["libkxapi-platform${major}"]="^\./usr/${libdir}/libKXAPI_Platform\.so\.${major}(\.[0-9.]+)?$"
  ["kxutil"]="^\./usr/(bin/kxutil|share/man/man1/kxutil\.1\.gz)$"
  ["libkxapi-utility-dev"]="^\./usr/(include/KXAPI/.*\.h|include/KXPlatform/.*\.h|${libdir}/libKXAPI_(Utility|Platform)\.so|${libdir}/cmake/KXAPI_Utility/.*\.cmake|${libdir}/pkgconfig/KXAPI_(Utility|Platform)\.pc)$"
)
declare -A deb
for package in "${!expect[@]}"; do
  deb[${package}]=${build}/${package}_${version}_${arch}.deb
  [[ -f ${deb[${package}]} ]] || { fail "no package ${deb[${package}]}"; continue; }
  [[ $(field "${deb[${package}]}" Architecture) == "${arch}" ]] || fail "${package} is not for ${arch}"
  # Every package carries its copyright file, changelog and lintian overrides.
  own="^\\./usr/share/(doc/${package}/(copyright|changelog\\.gz)|lintian/overrides/${package})$"
  stray=$(files "${deb[${package}]}" | grep -Ev "${expect[${package}]}" | grep -Ev "${own}" || true)
  [[ -z ${stray} ]] || fail "${package} holds files of another package: ${stray}"
  [[ -n $(files "${deb[${package}]}") ]] || fail "${package} is empty"
done
others=$(find "${build}" -maxdepth 1 -name '*.deb' | wc -l)
[[ ${others} -eq ${#expect[@]} ]] || fail "${others} packages instead of ${#expect[@]}"
files "${deb[kxutil]}" | grep -qx './usr/share/man/man1/kxutil.1.gz' || fail "kxutil: no manual page"
((failures == 0)) || exit 1

utility=${deb[libkxapi-utility${major}]}
platform=${deb[libkxapi-platform${major}]}
# The two library packages: a shlibs file for dpkg-shlibdeps and the ldconfig
# trigger.
for package in "libkxapi-utility${major}:Utility" "libkxapi-platform${major}:Platform"; do
  name=${package%%:*}
  shlibs=$(dpkg-deb --info "${deb[${name}]}" shlibs 2>/dev/null || true)
  [[ ${shlibs} == "libKXAPI_${package##*:} ${major} ${name} (>= ${version})" ]] ||
    fail "${name}: shlibs is '${shlibs}'"
  triggers=$(dpkg-deb --info "${deb[${name}]}" triggers 2>/dev/null || true)
  [[ ${triggers} == *"activate-noawait ldconfig"* ]] || fail "${name}: no ldconfig trigger"
done

# A device with its own sibling libraries installs the library alone.
depends=$(field "${utility}" Depends)
[[ ${depends} != *libkxapi-platform* ]] || fail "the library package depends on the stand-ins: ${depends}"
[[ ${depends} == *libc6* && ${depends} == *libstdc++6* ]] || fail "library package: Depends ${depends}"
[[ -z $(field "${utility}" Pre-Depends) ]] || fail "the library package has Pre-Depends"
# kxutil and the development files need both libraries of this version.
for package in kxutil libkxapi-utility-dev; do
  depends=$(field "${deb[${package}]}" Depends)
  for library in "libkxapi-utility${major}" "libkxapi-platform${major}"; do
    [[ ${depends} == *"${library} (= ${version})"* ]] || fail "${package} does not depend on ${library} (= ${version}): ${depends}"
  done
done

# The -dev package installs into /usr, which is on the loader's path: its
# pkg-config files give no run path.
dev=${deb[libkxapi-utility-dev]}
scratch=$(mktemp -d)
trap 'rm -rf "${scratch}"' EXIT
dpkg-deb -x "${dev}" "${scratch}"
for pc in "${scratch}/usr/${libdir}/pkgconfig/"*.pc; do
  ! grep -q -- '-rpath' "${pc}" || fail "$(basename "${pc}") of the -dev package carries a run path"
done

((failures == 0)) || exit 1
echo "packages of ${version} for ${arch}: library, stand-ins, kxutil and -dev as they should be"
