#!/usr/bin/env bash
# Builds the Debian package (build-package/thermira_2.0.0_amd64.deb) and checks it with lintian.
# Its dependencies are computed from the program's libraries (dpkg-shlibdeps).
#   bash scripts/package.sh        then, as root:  apt-get install ./build-package/thermira_2.0.0_amd64.deb
set -euo pipefail
source "$(dirname "$0")/common.sh"
scripts/setup.sh --package
build="${THERMIRA_PACKAGE_BUILD_DIR:-build-package}"
# Debian's hardening flags (stack protector, fortified functions, read-only relocations, bind now).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTHERMIRA_BUILD_TESTS=OFF \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "${launcher[@]}"
cmake --build "$build"
(cd "$build" && cpack -G DEB)
package="$build/thermira_2.0.0_amd64.deb"
dpkg-deb --info "$package"
# Errors fail the build; warnings are listed.
lintian --fail-on error --display-info "$package"
echo "Built $package"
