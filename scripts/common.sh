# Sourced by the build scripts: works from the repository's root and rebuilds through ccache
# when it is there (pass "${launcher[@]}" to cmake).
cd "$(dirname "${BASH_SOURCE[0]}")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
