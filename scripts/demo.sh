#!/usr/bin/env bash
# The kvxlink demo. Installs what a fresh Debian machine lacks, builds what the
# demo needs (preset "default") and then
#   scripts/demo.sh [kvx_demo options]   runs the checked round trip between the
#                                        simulated IDE and the Corvane stand-in;
#   scripts/demo.sh --interactive        starts the stand-in and lets you drive
#                                        the simulated IDE by hand.
# KVX_DEMO_BUILD_DIR=<dir> builds and runs in a configured directory of your own.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=round-trip
case "${1:-}" in
  --interactive|-i) mode=interactive; shift ;;
  --help|-h)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    echo "kvx_demo options: --keep (keep the workspace), --quiet (no IDE events), --tmp DIR"
    exit 0 ;;
esac

scripts/install-deps.sh
targets=(kvx_demo kvx_demo_ctl simide_delphi3 corvane kvxlink_delphi3)
if [[ -n ${KVX_DEMO_BUILD_DIR:-} ]]; then
  # An already configured build directory of your own instead of the preset's.
  bin=$(cd "$KVX_DEMO_BUILD_DIR" && pwd)
  echo "== building the demo in $bin"
  cmake --build "$bin" --target "${targets[@]}"
else
  bin=$root/build/default
  echo "== building the demo (preset default)"
  cmake --preset default >/dev/null
  cmake --build --preset default --target "${targets[@]}"
fi
if [[ $mode == round-trip ]]; then
  echo "== running the demo round trip"
  exec "$bin/demo/kvx_demo" "$@"
fi

# ---------------------------------------------------------------- interactive
ws=$(mktemp -d "${TMPDIR:-/tmp}/kvx-demo-interactive.XXXXXX")
mkdir "$ws/project" "$ws/shadow"
mkdir -m 700 "$ws/dde"
printf 'program Demo;\r\n\r\nuses\r\n  Alpha in %s,\r\n  Beta in %s;\r\n\r\nbegin\r\nend.\r\n' \
  "'alpha.pas'" "'beta.pas'" >"$ws/project/demo.dpr"
printf 'unit Alpha;\r\n\r\ninterface\r\n\r\nfunction Greeting: string;\r\n\r\nimplementation\r\n\r\nfunction Greeting: string;\r\nbegin\r\n  Result := %s;\r\nend;\r\n\r\nend.\r\n' \
  "'Hello'" >"$ws/project/alpha.pas"
printf 'unit Beta;\r\n\r\ninterface\r\n\r\nconst\r\n  Answer = 41;\r\n\r\nimplementation\r\n\r\nend.\r\n' \
  >"$ws/project/beta.pas"

corvane=$bin/corvane_standin/corvane
transcript=$ws/corvane-transcript.log
# The launch line ends in an unquoted word: the profile reader drops a pair of
# quotes around the whole value.
cat >"$ws/win.ini" <<INI
[Corvane for Windows 7.1]
Delphi3Enabled=1
Delphi3HotKey=1867
BorlandSafetySave=1
BorlandTrackProjects=1
BorlandKvxExecute=$corvane --transcript $transcript --control CorvaneControl
BorlandTempPath=$ws/shadow
INI
export WINSUB_WIN_INI=$ws/win.ini WINSUB_DDE_DIR=$ws/dde
cat >"$ws/env.sh" <<ENV
export WINSUB_WIN_INI='$ws/win.ini' WINSUB_DDE_DIR='$ws/dde'
ctl() { '$bin/demo/kvx_demo_ctl' "\$@"; }
cd '$ws/project'
ENV

ctl() { "$bin/demo/kvx_demo_ctl" "$@"; }
"$corvane" --transcript "$transcript" --control CorvaneControl &
corvane_pid=$!
stop_standin() {
  # Whichever stand-in runs now (the link may have started another one).
  ctl quit >/dev/null 2>&1 || true
  for _ in $(seq 50); do kill -0 "$corvane_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$corvane_pid" 2>/dev/null || true
  wait "$corvane_pid" 2>/dev/null || true
}
trap stop_standin EXIT
if ! ctl wait 5 >/dev/null; then
  echo "the Corvane stand-in did not start" >&2
  exit 1
fi

cat <<SHEET

Workspace $ws (the IDE runs in project/, so plain file names work).
Corvane (stand-in) is running, pid $corvane_pid, transcript $transcript.

This terminal is the simulated IDE (all commands: simide/README.md):
  load                        load the Delphi 3 expert (hotkey Ctrl+Shift+K)
  project open demo.dpr       open the project
  open alpha.pas              open a unit (also: open beta.pas)
  cursor beta.pas 6 3         place the cursor; type "{ draft } " types there
  key ctrl+shift+k            the hotkey: Corvane to the front, then a push
  deactivate                  switch away from the IDE: push
  answer yes                  the answer to the next question (overwrite)
  activate                    switch back to the IDE: pull, then show Corvane's file
  show buffer alpha.pas       also: show cursor alpha.pas, show front, show boxes
  quit                        leave; the stand-in is stopped

Play the Corvane user from a second terminal:
  source $ws/env.sh
  ctl edit alpha.pas "unit Alpha;\\r\\n..."   replace the text and save
  ctl stamp alpha.pas 2                      date the save on (2-second time stamps)
  ctl cursor alpha.pas 11 5 1                cursor line, column, top line
  ctl reload beta.pas                        reload from disk (write the file first)
  ctl activate alpha.pas                     the file in front in Corvane
  ctl state                                  ctl transcript   (what crossed so far)

SHEET

cd "$ws/project"
status=0
"$bin/simide/simide_delphi3" || status=$?
echo
echo "== what crossed to Corvane"
ctl transcript || true
echo "workspace kept: $ws"
exit $status
