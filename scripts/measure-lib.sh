# Shared by the measuring scripts (cpu-use.sh, rest-use.sh): a private
# folder with copies of the savers any user can run, everything started
# ended on exit, and a process's processor time.
#   GLIMMERKIN and before (may be empty) are set before this is sourced.
[ -x "$GLIMMERKIN" ] || { echo "no saver at $GLIMMERKIN (build first)" >&2; exit 1; }
[ -z "$before" ] || [ -x "$before" ] || { echo "no saver at $before" >&2; exit 1; }
work=$(mktemp -d)
pids=()
finish() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap finish EXIT
chmod 0755 "$work"
cp "$GLIMMERKIN" "$work/glimmerkin"
[ -z "$before" ] || cp "$before" "$work/before"
chmod 0755 "$work"/glimmerkin "$work"/before 2>/dev/null || true
# No settings file: the default speed (90 ms between frames) and 9 aliens.
export XDG_CONFIG_HOME=$work/config HOME=$work
hz=$(getconf CLK_TCK)

ticks() {  # user + system time of a process, in clock ticks
  local stat
  stat=$(cat "/proc/$1/stat")
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  echo $(( ${12} + ${13} ))
}
