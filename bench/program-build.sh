# Sourced by the whole-program benchmarks, with their arguments: takes the build folder from the
# first argument unless it is an option (build/release by default), checks that it holds the
# program, and exports where the program and the build are. The other arguments stay in "$@".
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$here/build/release
if [[ $# -gt 0 && $1 != --* ]]; then
    build=$(cd "$1" && pwd)
    shift
fi
if [[ ! -x $build/brimble ]]; then
    echo "no brimble program in $build; build it first (cmake --preset release && cmake --build --preset release)" >&2
    exit 1
fi
export BRIMBLE_EXECUTABLE=$build/brimble
export BRIMBLE_BUILD_DIR=$build
