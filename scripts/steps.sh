# Sourced by the scripts: runs a step quietly and, when it fails, names it and shows
# what it printed, on stderr.

step() { # name command... : quiet on success; on failure the step's name and output's tail
  local name=$1; shift
  local output status=0
  output=$(mktemp)
  "$@" >"$output" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    {
      echo "== FAILED: $name (exit code $status)"
      echo "== command: $*"
      tail -n "${STEP_TAIL_LINES:-150}" "$output"
      echo "== end of output of: $name"
    } >&2
  fi
  rm -f "$output"
  return "$status"
}
