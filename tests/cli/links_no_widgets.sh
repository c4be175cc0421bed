#!/bin/sh
# Fails when the shared libraries PROGRAM loads (its own and theirs, as ldd lists
# them) include Qt Widgets: the command line must run without window code.
# usage: links_no_widgets.sh PROGRAM
program="$1"
if ! command -v ldd >/dev/null 2>&1; then
  echo "SKIP: no ldd on this system, the libraries of $program cannot be listed"
  exit 77
fi
if ! libraries=$(ldd "$program"); then
  echo "ldd cannot list the libraries of $program"
  exit 1
fi
# An empty or unexpected listing must not pass for a clean one.
if ! printf '%s\n' "$libraries" | grep -q 'libQt6Gui'; then
  printf '%s\n' "$libraries"
  echo "ldd lists no Qt Gui for $program: not the listing this check understands"
  exit 1
fi
if printf '%s\n' "$libraries" | grep -i 'libQt6Widgets'; then
  echo "$program loads Qt Widgets (above)"
  exit 1
fi
echo "$program loads no Qt Widgets"
