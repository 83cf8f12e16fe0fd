# Shared by the run and test commands.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
xvfb_screen="-screen 0 1024x768x24"

# configure_and_build PRESET LOG [TARGET...]: configures (quick when nothing changed), then
# builds incrementally: the named targets, or everything.
configure_and_build() {
  local preset=$1 log=$2 extra=() targets=()
  for t in "${@:3}"; do targets+=(--target "$t"); done
  [ -n "${CI:-}" ] && extra+=(-DKVR_WERROR=ON)
  cmake --preset "$preset" -S "$root" "${extra[@]}" >"$log" 2>&1 || return 1
  # Keep going past a failing target, so one fault does not hide every other result.
  cmake --build "$root/build/$preset" -j2 "${targets[@]}" -- -k 0 >>"$log" 2>&1
}

# wine_path PATH: the Wine (Z: drive) form of a Linux path.
wine_path() {
  local p
  p=$(readlink -f "$1")
  printf 'Z:%s' "${p//\//\\}"
}
