# Long scripts say how long each phase took: phase_took NAME prints "[TAG] (NAME: M min S s)"
# for the time since the previous phase ended, and phase_summary prints every phase in one table.
# Set phase_tag before sourcing (demo, test).
phase_tag=${phase_tag:-run}
phase_start=$SECONDS
phase_names=()
phase_seconds=()

phase_took() {
  local took=$((SECONDS - phase_start))
  printf '[%s] (%s: %d min %d s)\n' "$phase_tag" "${1#"${1%%[! ]*}"}" $((took / 60)) $((took % 60))
  phase_names+=("$1")
  phase_seconds+=("$took")
  phase_start=$SECONDS
}

phase_summary() {
  local i
  printf '[%s] time by phase:\n' "$phase_tag"
  for i in "${!phase_names[@]}"; do
    printf '[%s]   %-36s %3d min %2d s\n' "$phase_tag" "${phase_names[$i]}" \
      $((phase_seconds[i] / 60)) $((phase_seconds[i] % 60))
  done
  printf '[%s]   %-36s %3d min %2d s\n' "$phase_tag" total $((SECONDS / 60)) $((SECONDS % 60))
}
