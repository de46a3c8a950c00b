# The demo game that run-keplo and run-pelterbox fall back on when no game is
# registered in the user's settings store. Sourced after the build; uses build/bin.
#
#   game_registered        true when the user's store names the game's folder
#   use_demo_game NAME     builds the demo game in build/demo (keeping what exists),
#                          points XDG_CONFIG_HOME at a store of its own that registers
#                          it (and XDG_STATE_HOME at a state folder of its own), and sets $demo (the demo's folder) and $work (its work
#                          folder: build/demo/work unless one was chosen since)
demo_bin=build/bin
demo_game_key='HKLM\SOFTWARE\Sierra Online\Setup\Tribes2'
demo_keplo_key='HKLM\SOFTWARE\Halvane\Game Editors\Tribes2\Keplo'

# The text of a string value of the store in force, or nothing.
demo_query() {
  "$demo_bin/keplo-reg" query "$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_SZ *//p" || true
}

game_registered() {
  [ -n "$(demo_query "$demo_game_key" directory)" ]
}

use_demo_game() {
  demo=$PWD/build/demo
  echo "No game is registered in your settings store; starting $1 on the demo game in $demo"
  "$demo_bin/keplo-demo" "$demo/Tribes2"
  export XDG_CONFIG_HOME=$demo/config
  # What Keplo records at Extract stays with the demo too.
  export XDG_STATE_HOME=$demo/state
  "$demo_bin/keplo-reg" add "$demo_game_key" /v directory /d "$demo/Tribes2" >/dev/null
  # The demo's work folder lies beside it, where a newcomer finds the files; a work
  # folder chosen since is kept.
  work=$(demo_query "$demo_keplo_key" tempdir)
  if [ -z "$work" ]; then
    work=$demo/work
    "$demo_bin/keplo-reg" add "$demo_keplo_key" /v tempdir /d "$work" >/dev/null
  fi
}
