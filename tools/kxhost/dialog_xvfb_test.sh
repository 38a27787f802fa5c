#!/bin/sh
# The settings dialog on a real X server: kxhost runs 110, 800 and 850 under
# a virtual X server (xvfb-run) while xdotool waits for the "Exportservice"
# window and presses a key: Return is Ok (850 gives the dialog's new
# string), Escape is Cancel (850 gives the old one). Outputs compare with
# testdata/kxhost/dialog-ok.out and dialog-cancel.out.
#   dialog_xvfb_test.sh KXHOST PLUGIN SOURCE_DIR WORK_DIR
# Exit 77 (skipped) without xvfb-run, xauth or xdotool.
set -u
kxhost=$1 plugin=$2 source=$3 work=$4
for tool in xvfb-run xauth xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed (scripts/setup)"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work/sandbox"
printf '110\t<kxConfig><Task>t</Task></kxConfig>\n800\n850\n' > "$work/dialog.kxs"
status=0
for case in ok:Return cancel:Escape; do
  name=${case%%:*} key=${case#*:}
  QT_QPA_PLATFORM=xcb xvfb-run -a sh -c '
    (win=$(xdotool search --sync --name "^Exportservice$" | head -n 1)
     sleep 0.3
     xdotool key --window "$win" "$1") &
    "$2" --sandbox "$3" "$4" "$5"
    rc=$?
    wait
    exit $rc' sh "$key" "$kxhost" "$work/sandbox" "$plugin" "$work/dialog.kxs" > "$work/$name.out" 2> "$work/$name.err"
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "$name: kxhost exited with $rc"; cat "$work/$name.err"; status=1
  fi
  if ! diff -u "$source/testdata/kxhost/dialog-$name.out" "$work/$name.out"; then
    echo "$name: output differs"; status=1
  fi
done
exit $status
