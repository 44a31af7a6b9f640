# Sourced by the benchmark scripts: wineserver_pid PREFIX prints the pid of
# the wineserver serving that prefix (its environment names the prefix),
# nothing when none runs.
wineserver_pid() {
  local p
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/exe" 2>/dev/null)" in */wineserver*) ;; *) continue ;; esac
    if tr '\0' '\n' < "$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$1"; then
      echo "${p#/proc/}"
      return
    fi
  done
}
