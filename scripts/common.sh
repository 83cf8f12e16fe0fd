# Shared by the run and test commands.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
xvfb_screen="-screen 0 1024x768x24"

# configure_and_build PRESET LOG: configures once, then builds incrementally.
configure_and_build() {
  local preset=$1 log=$2 extra=()
  [ -n "${CI:-}" ] && extra+=(-DKVR_WERROR=ON)
  if [ ! -f "$root/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$root" "${extra[@]}" "${@:3}" >"$log" 2>&1 || return 1
  fi
  cmake --build "$root/build/$preset" -j2 >>"$log" 2>&1
}
