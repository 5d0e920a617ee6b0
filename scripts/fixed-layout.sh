# Sourced first by every script that starts Wine programs (. scripts/fixed-layout.sh): runs the script
# again, from its start, with the kernel's address-space randomization off for it and everything it
# starts.
#
# Wine's loader needs fixed addresses below 4 GB, the shared user data at 0x7ffe0000 among them.
# This kernel places a new process's heap anywhere in the gigabyte above the loader, across those
# addresses, and now and then (once in some thousands of starts) a process cannot have them: it
# ends before its first instruction ("failed to map the shared user data: c0000018", or error 1359
# from CreateProcess in its parent). A test suite starts hundreds of processes. Without the
# randomization every process has the same layout, the heap right after the loader.
if [ -z "${TAVOLINE_FIXED_LAYOUT:-}" ]; then
  export TAVOLINE_FIXED_LAYOUT=1
  if setarch --addr-no-randomize true 2>/dev/null; then
    exec setarch --addr-no-randomize sh "$0" "$@"
  fi
fi
