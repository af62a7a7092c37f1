# Sourced by the test commands (after steps.sh): the slow folder of the slow-file tests, a
# mirror of build/slowfiles/source at build/slowfiles/mount whose reads of *.slow.* files
# the tests hold (tests/slowfiles/slow_folder.py). Ended by slow_folder_end.

slow_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
slow_source=$slow_root/build/slowfiles/source
slow_mount=$slow_root/build/slowfiles/mount

slow_folder_mounted() {
  findmnt -rn -M "$slow_mount" >/dev/null 2>&1
}

slow_folder_start() { # mounts a fresh, empty slow folder and exports its two paths
  slow_folder_end
  rm -rf "$slow_source"
  mkdir -p "$slow_source" "$slow_mount"
  local log tries=0; log=$(mktemp)
  "$slow_root/tests/slowfiles/slow_folder.py" "$slow_source" "$slow_mount" >"$log" 2>&1 &
  slow_pid=$!
  while ! slow_folder_mounted && kill -0 "$slow_pid" 2>/dev/null && [ $tries -lt 100 ]; do
    sleep 0.1; tries=$((tries + 1))
  done
  if ! slow_folder_mounted; then
    echo "== FAILED: mount the slow folder at $slow_mount" >&2
    cat "$log" >&2; rm -f "$log"
    slow_folder_end
    return 1
  fi
  rm -f "$log"
  export VELMARIN_SLOW_SOURCE=$slow_source VELMARIN_SLOW_FOLDER=$slow_mount
}

# Held reads are let go first, so that the folder's process and its readers can end.
slow_folder_end() {
  rm -f "$slow_source"/*.hold
  if slow_folder_mounted; then
    umount --lazy "$slow_mount" || echo "== FAILED: unmount the slow folder at $slow_mount" >&2
  fi
  if [ -n "${slow_pid:-}" ]; then
    kill "$slow_pid" 2>/dev/null
    wait "$slow_pid" 2>/dev/null
  fi
  slow_pid=''
  unset VELMARIN_SLOW_SOURCE VELMARIN_SLOW_FOLDER
}
